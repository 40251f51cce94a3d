#include "reports/ui/RepCxc.h"

#include "reports/ReceivablesReport.h"

#include <QRadioButton>

CRepCxc::CRepCxc(Database& db, const ApplicationState& state, QWidget* parent)
    : CReportDlg(db, state, parent) {
    setWindowTitle(QStringLiteral("Cuentas por cobrar"));
    setClientSize(dialogSize(250, 150));
    addDocumentFilter();

    addOrientation(5, 68);
    m_vencidas = addChoice(QStringLiteral("Contenido"), 127, 68, 118, kTodasId, QStringLiteral("Todas"),
                           kVencidasId, QStringLiteral("Vencidas"))
                     .second;
    addButtons(130, 128, 190, 128);
}

void CRepCxc::generate() {
    CxcFilter f;
    f.clienteId = clienteId();
    f.clienteNombre = clienteNombre();
    f.serie = serie();
    f.folio = takeFolio();
    f.vencidas = m_vencidas->isChecked();
    runReport(kReceivablesTitle, false, [&](CRepData& data, std::string& message, const ReportProgress& progress) {
        return BuildReceivablesReport(database(), f, OleDate::now(), data, message, progress);
    });
}
