#include "designer/ui/DesignerWnd.h"

#include "cfdi/DocumentRounding.h"
#include "db/DbError.h"
#include "db/ui/DbErrorMessage.h"
#include "designer/DesignSheet.h"
#include "printing/PageLayout.h"
#include "printing/SampleValues.h"
#include "printing/ui/PrintDocument.h"
#include "toolkit/ui/AcceptCancelButtons.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>
#include <limits>

// What the sheet shows for its data (captions, samples or a stored document) and the test print.

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

} // namespace

void CDesignerWnd::showValues(CSheetValues values) {
    m_values = std::move(values);
    m_scene->Show(&m_current.Format, &m_values);
    const char* checked = "muestra";
    QString shown = QStringLiteral("Datos de muestra");
    switch (m_values.GetKind()) {
    case CSheetValues::Kind::Captions:
        checked = "nombresDatos";
        shown = QStringLiteral("Nombres de los datos");
        break;
    case CSheetValues::Kind::Samples: break;
    case CSheetValues::Kind::Document:
        checked = "documento";
        shown = QStringLiteral("Documento %1").arg(text(m_values.DocumentName()));
        break;
    }
    Action(QLatin1String(checked))->setChecked(true);
    m_dataLabel->setText(shown);
}

void CDesignerWnd::ShowCaptions() {
    m_document.reset();
    showValues(CSheetValues::Captions());
}

void CDesignerWnd::ShowSamples() {
    m_document.reset();
    showValues(CSheetValues::Samples());
}

bool CDesignerWnd::ShowDocument(const QString& serie, std::int32_t folio) {
    CPrintJob job;
    CDocumentStore::LoadResult loaded = CDocumentStore::LoadResult::NotFound;
    try {
        loaded = job.LoadStored(m_db, serie.trimmed().toStdString(), folio, DocumentRounding(m_db));
    } catch (const DbError& e) {
        ShowDbError(e);
        showValues(m_values);
        return false;
    }
    if (loaded != CDocumentStore::LoadResult::Loaded) {
        TolMessage(loaded == CDocumentStore::LoadResult::NotFound ? QStringLiteral("- No existe el documento -")
                                                                  : QStringLiteral("- El documento no tiene partidas -"));
        // The menu's mark goes back to what the sheet still shows.
        showValues(m_values);
        return false;
    }
    job.Copies = 1;
    m_document = std::move(job);
    showValues(CSheetValues::Document(*m_document));
    return true;
}

void CDesignerWnd::askDocument() {
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("elegirDocumento"));
    dialog.setWindowTitle(QStringLiteral("Datos de un documento"));
    auto* form = new QFormLayout(&dialog);
    auto* serie = new QLineEdit(m_document ? text(m_document->Serie) : QString());
    serie->setObjectName(QStringLiteral("serie"));
    serie->setMaxLength(10);
    serie->setToolTip(QStringLiteral("Serie del documento; vacía si no tiene"));
    auto* folio = new QLineEdit(m_document ? QString::number(m_document->Folio) : QString());
    folio->setObjectName(QStringLiteral("folio"));
    folio->setValidator(new QIntValidator(0, std::numeric_limits<std::int32_t>::max(), folio));
    folio->setToolTip(QStringLiteral("Folio del documento"));
    form->addRow(QStringLiteral("Serie:"), serie);
    form->addRow(QStringLiteral("Folio:"), folio);
    form->addRow(AcceptCancelButtons(&dialog));
    // Enter in the series goes on to the folio; in the folio it accepts.
    connect(serie, &QLineEdit::returnPressed, folio, qOverload<>(&QWidget::setFocus));
    if (dialog.exec() != QDialog::Accepted || folio->text().isEmpty()) {
        showValues(m_values);
        return;
    }
    ShowDocument(serie->text(), folio->text().toInt());
}

bool CDesignerWnd::PrintTest(QPrinter& printer) {
    if (!m_open)
        return false;
    CPageLayout layout(m_current.Format, m_measure);
    std::vector<PrintPage> pages;
    if (m_document) {
        pages = layout.LayoutJob(*m_document);
    } else {
        // One sheet of samples, with every detail line it holds.
        CSampleValues samples;
        const std::vector<CPartida> lines(
            static_cast<std::size_t>(std::clamp(m_current.Format.Caben, 1, CDesignSheet::kMaxGhostRows)));
        std::int32_t next = 1;
        pages.push_back(layout.LayoutPage(samples, lines, next));
    }
    printer.setPageSize(QPageSize(QSizeF(m_current.Sheet.width / 10.0, m_current.Sheet.height / 10.0), QPageSize::Millimeter));
    return PrintPages(printer, pages);
}

void CDesignerWnd::printTest() {
    if (!m_open) {
        TolMessage(QStringLiteral("- Abra o cree un formato primero -"));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Imprimir prueba"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!PrintTest(printer))
        TolMessage(QStringLiteral("- No se pudo imprimir la prueba -"));
}
