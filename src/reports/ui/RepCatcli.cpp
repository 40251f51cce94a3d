#include "reports/ui/RepCatcli.h"

#include "app/ApplicationState.h"
#include "db/DbError.h"
#include "reports/CatalogReports.h"
#include "reports/RepData.h"
#include "reports/ui/RepDlg.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

CRepCatcli::CRepCatcli(Database& db, const ApplicationState& state, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_state(state) {
    setWindowTitle(QStringLiteral("Catálogo de Clientes"));
    setClientSize(dialogSize(200, 130));
    auto* caption = new QLabel(QStringLiteral("Campos a mostrar"), this);
    caption->setGeometry(dialogRect(5, 3, 95, 10));
    m_campos = new QListWidget(this);
    setId(m_campos, kCamposId);
    m_campos->setSelectionMode(QAbstractItemView::MultiSelection);
    m_campos->setGeometry(dialogRect(5, 14, 95, 110));
    for (const std::string& field : CustomerReportFields())
        m_campos->addItem(QString::fromStdString(field));
    auto* orient = new QGroupBox(QStringLiteral("Orientación del papel"), this);
    orient->setGeometry(dialogRect(107, 3, 88, 50));
    m_vertical = new QRadioButton(QStringLiteral("Vertical"), orient);
    setId(m_vertical, kVerticalId);
    m_vertical->move(dialogSize(7, 14).width(), dialogSize(7, 14).height());
    auto* horizontal = new QRadioButton(QStringLiteral("Horizontal"), orient);
    setId(horizontal, kHorizontalId);
    horizontal->move(dialogSize(7, 31).width(), dialogSize(7, 31).height());
    m_vertical->setChecked(true);
    auto* generar = new QPushButton(QStringLiteral("Generar"), this);
    setId(generar, kGenerarId);
    generar->setGeometry(dialogRect(125, 88, 55, 15));
    auto* salir = new QPushButton(QStringLiteral("Salir"), this);
    setId(salir, kSalirId);
    salir->setGeometry(dialogRect(125, 108, 55, 15));
    connect(generar, &QPushButton::clicked, this, [this] { sendCommand(kGenerarId); });
    connect(salir, &QPushButton::clicked, this, [this] { sendCommand(kSalirId); });
}

void CRepCatcli::onCommand(int id) {
    if (id == kSalirId) {
        reject();
        return;
    }
    if (id != kGenerarId) {
        CTolDialog::onCommand(id);
        return;
    }
    // The columns follow the list's order, whatever the order of clicking.
    std::vector<std::string> fields;
    for (int i = 0; i < m_campos->count(); ++i)
        if (m_campos->item(i)->isSelected())
            fields.push_back(m_campos->item(i)->text().toStdString());
    CRepData data;
    std::string message;
    bool plain = false;
    try {
        if (!BuildCustomersCatalog(m_db, fields, OleDate::now(), data, message, &plain)) {
            if (plain)
                QMessageBox::information(this, windowTitle(), QString::fromStdString(message));
            else
                TolMessage(QString::fromStdString(message));
            return;
        }
    } catch (const DbError& e) {
        TolMessage(QString::fromStdString(e.what()));
        return;
    }
    CRepDlg viewer(data, QString::fromStdString(m_state.nombre), QString::fromUtf8(kCustomersTitle),
                   m_vertical->isChecked(), false, this);
    viewer.exec();
}
