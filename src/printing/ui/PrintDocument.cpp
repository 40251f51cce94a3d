#include "printing/ui/PrintDocument.h"

#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "platform/ApplicationState.h"
#include "platform/ui/SettingsStore.h"
#include "printing/FormatStore.h"
#include "printing/PageLayout.h"
#include "printing/PrintJob.h"
#include "printing/PrintPage.h"
#include "printing/WindowsFormat.h"
#include "printing/ui/PagePainter.h"
#include "printing/ui/QtTextMeasure.h"
#include "printing/ui/TicketPrint.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <utility>

namespace {

constexpr const char* kNoFormat = "No esta definido el formato de impresión";
constexpr const char* kNoLines = "- El documento no tiene partidas -";
constexpr const char* kJobName = "Imprimiendo Documento";

// The print dialog for the whole document: no page ranges, no selection; printing to a PDF file
// is offered.
bool askPrinter(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Imprimir"));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}

// The default printer; the dialog when there is none, and again when the operator always chooses.
bool choosePrinter(QPrinter& printer, const ApplicationState& state, QWidget* parent) {
    const QPrinterInfo byDefault = QPrinterInfo::defaultPrinter();
    if (byDefault.isNull()) {
        // Without a printer the sheets go to a PDF file: on letter paper, as the layouts are drawn.
        printer.setPageSize(QPageSize(QPageSize::Letter));
        if (!askPrinter(printer, parent))
            return false;
    } else {
        printer.setPrinterName(byDefault.printerName());
    }
    if (state.askPrinter != 0 && !askPrinter(printer, parent))
        return false;
    return printer.isValid();
}

} // namespace

bool LayoutDocument(const CPrintJob& job, Database& db, std::vector<PrintPage>& pages, QString* error) {
    auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    pages.clear();
    if (job.FormatId < 0)
        return fail(QString::fromUtf8(kNoFormat));
    CWindowsFormat format;
    try {
        const CFormatStore::Result loaded = CFormatStore(db).LoadWindowsFormat(job.FormatId, format);
        if (!loaded)
            return fail(QString::fromStdString(loaded.message));
    } catch (const DbError& e) {
        return fail(QString::fromStdString(DbErrorText(e)));
    }
    // The document's CFDI as stored with it: the fiscal data, seals and QR of the printed CFDI.
    CPrintJob withCfdi = job;
    if (withCfdi.Logo.empty())
        withCfdi.Logo = SettingsStore::readText("Logo").toStdString();
    try {
        withCfdi.LoadCfdi(db);
    } catch (const DbError& e) {
        return fail(QString::fromStdString(DbErrorText(e)));
    }
    const CQtTextMeasure measure;
    CPageLayout layout(std::move(format), measure);
    pages = layout.LayoutJob(withCfdi);
    return true;
}

bool PrintPages(QPrinter& printer, const std::vector<PrintPage>& pages) {
    if (pages.empty())
        return false;
    printer.setFullPage(true);
    printer.setDocName(QString::fromUtf8(kJobName));
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        // Spooler errors on a new page are not the operator's to handle; drawing goes on.
        if (i > 0)
            printer.newPage();
        PaintPage(painter, pages[i], printer.resolution());
    }
    return painter.end();
}

bool PrintDocument(const CPrintJob& job, Database& db, const ApplicationState& state, QWidget* parent) {
    if (state.pWin == 0)
        return PrintTicket(job, db, state, parent);
    std::vector<PrintPage> pages;
    QString message;
    if (!LayoutDocument(job, db, pages, &message)) {
        TolMessage(message);
        return false;
    }
    // A document without lines prints no sheet; there is no printer to ask for then.
    if (pages.empty())
        return false;
    QPrinter printer(QPrinter::HighResolution);
    if (!choosePrinter(printer, state, parent))
        return false;
    return PrintPages(printer, pages);
}

void PreviewDocument(const CPrintJob& job, Database& db, QWidget* parent) {
    std::vector<PrintPage> pages;
    QString message;
    if (!LayoutDocument(job, db, pages, &message)) {
        TolMessage(message);
        return;
    }
    if (pages.empty()) {
        TolMessage(QString::fromUtf8(kNoLines));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    const QPrinterInfo byDefault = QPrinterInfo::defaultPrinter();
    if (byDefault.isNull()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::Letter));
    } else {
        printer.setPrinterName(byDefault.printerName());
    }
    printer.setFullPage(true);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(QStringLiteral("Vista previa"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&pages](QPrinter* target) { PrintPages(*target, pages); });
    preview.exec();
}

bool PrintToPdf(const CPrintJob& job, Database& db, const QString& pdfPath, QString* error) {
    std::vector<PrintPage> pages;
    if (!LayoutDocument(job, db, pages, error))
        return false;
    if (pages.empty()) {
        if (error)
            *error = QString::fromUtf8(kNoLines);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    if (!PrintPages(printer, pages)) {
        if (error)
            *error = QStringLiteral("No se pudo escribir el archivo %1").arg(pdfPath);
        return false;
    }
    return true;
}
