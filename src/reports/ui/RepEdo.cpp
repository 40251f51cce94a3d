#include "reports/ui/RepEdo.h"

#include "db/ui/OleDateQt.h"
#include "reports/CustomerStatement.h"
#include "toolkit/ui/TolDatePicker.h"

#include <QDateTime>
#include <QGroupBox>
#include <QRadioButton>

CRepEdo::CRepEdo(Database& db, const ApplicationState& state, QWidget* parent)
    : CReportDlg(db, state, parent) {
    setWindowTitle(QStringLiteral("Moviientos de Clientes"));
    setClientSize(dialogSize(250, 150));
    addCustomer(8, 40, 7, 205);

    place(new QGroupBox(QStringLiteral("Por periodo"), this), 0, 5, 26, 240, 36);
    m_desde = addDate(QStringLiteral("Desde:"), kDesdeId, 12, 25, 40, 39, 70);
    m_hasta = addDate(QStringLiteral("Hasta:"), kHastaId, 125, 25, 152, 39, 70);
    m_desde->setDateTime(QDateTime::currentDateTime());
    m_hasta->setDateTime(QDateTime::currentDateTime());

    addOrientation(5, 68);
    m_detallado = addChoice(QStringLiteral("Contenido"), 127, 68, 118, kResumidoId,
                            QStringLiteral("Resumido"), kDetalladoId, QStringLiteral("Detallado"))
                      .second;
    addButtons(130, 128, 190, 128);
}

void CRepEdo::generate() {
    StatementFilter f;
    f.clienteId = clienteId();
    f.clienteNombre = clienteNombre();
    f.desde = FromQDateTime(m_desde->dateTime());
    f.hasta = FromQDateTime(m_hasta->dateTime());
    f.detallado = m_detallado->isChecked();
    runReport(kStatementTitle, false, [&](CRepData& data, std::string& message, const ReportProgress& progress) {
        return BuildCustomerStatement(database(), f, OleDate::now(), data, message, progress);
    });
}
