#include "reports/ui/RepCatcli.h"

#include "db/DbError.h"
#include "db/ui/DbErrorMessage.h"
#include "reports/CatalogReports.h"
#include "reports/RepData.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QLabel>
#include <QListWidget>
#include <QMessageBox>

CRepCatcli::CRepCatcli(Database& db, const ApplicationState& state, QWidget* parent)
    : CReportDlg(db, state, parent) {
    setWindowTitle(QStringLiteral("Catálogo de Clientes"));
    setClientSize(dialogSize(200, 130));
    place(new QLabel(QStringLiteral("Campos a mostrar"), this), 0, 5, 3, 95, 10);
    m_campos = new QListWidget(this);
    m_campos->setSelectionMode(QAbstractItemView::MultiSelection);
    place(m_campos, kCamposId, 5, 14, 95, 110);
    for (const std::string& field : CustomerReportFields())
        m_campos->addItem(QString::fromStdString(field));
    addOrientation(107, 3, 88);
    addButtons(125, 88, 125, 108);
}

void CRepCatcli::generate() {
    // The columns follow the list's order, whatever the order of clicking.
    std::vector<std::string> fields;
    for (int i = 0; i < m_campos->count(); ++i)
        if (m_campos->item(i)->isSelected())
            fields.push_back(m_campos->item(i)->text().toStdString());
    CRepData data;
    std::string message;
    bool plain = false;
    try {
        if (!BuildCustomersCatalog(database(), fields, OleDate::now(), data, message, &plain)) {
            if (plain)
                QMessageBox::information(this, windowTitle(), QString::fromStdString(message));
            else
                TolMessage(QString::fromStdString(message));
            return;
        }
    } catch (const DbError& e) {
        ShowDbError(e);
        return;
    }
    showReport(data, kCustomersTitle, false);
}
