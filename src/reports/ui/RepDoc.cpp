#include "reports/ui/RepDoc.h"

#include "db/ui/OleDateQt.h"
#include "reports/DocumentsJournal.h"
#include "toolkit/ui/TolDatePicker.h"

#include <QCheckBox>
#include <QDateTime>
#include <QGroupBox>
#include <QRadioButton>

CRepDoc::CRepDoc(Database& db, const ApplicationState& state, QWidget* parent)
    : CReportDlg(db, state, parent) {
    setWindowTitle(QStringLiteral("Reporte de documentos"));
    setClientSize(dialogSize(250, 190));
    addDocumentFilter();

    place(new QGroupBox(QStringLiteral("Por periodo"), this), 0, 5, 66, 240, 40);
    m_porPeriodo = new QCheckBox(QStringLiteral("Por periodo"), this);
    place(m_porPeriodo, kPorPeriodoId, 12, 80, 55, 12);
    m_desde = addDate(QStringLiteral("Desde:"), kDesdeId, 72, 25, 98, 79, 60);
    m_hasta = addDate(QStringLiteral("Hasta:"), kHastaId, 162, 22, 184, 79, 58);
    m_desde->setDate(QDate::currentDate());
    m_hasta->setDate(QDate::currentDate());

    addOrientationOver(5, 110);
    m_detallado = addChoice(QStringLiteral("Contenido"), 127, 110, 118, kResumidoId,
                            QStringLiteral("Resumido"), kDetalladoId, QStringLiteral("Detallado"), 13)
                      .second;
    addButtons(130, 168, 190, 168);
}

void CRepDoc::generate() {
    JournalFilter f;
    f.clienteId = clienteId();
    f.clienteNombre = clienteNombre();
    f.serie = serie();
    f.folio = takeFolio();
    f.porPeriodo = m_porPeriodo->isChecked();
    f.desde = FromQDateTime(m_desde->dateTime());
    f.hasta = FromQDateTime(m_hasta->dateTime());
    f.detallado = m_detallado->isChecked();
    runReport(kJournalTitle, f.detallado, [&](CRepData& data, std::string& message, const ReportProgress& progress) {
        return BuildDocumentsJournal(database(), f, OleDate::now(), data, message, progress);
    });
}
