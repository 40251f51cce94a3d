#pragma once

#include <QString>

#include <vector>

class CPrintJob;
class Database;
class QPrinter;
class QWidget;
struct ApplicationState;
struct PrintPage;

// Printing a document through a stored page-printer format. The caller fills the job (format id,
// copies, header, lines, totals) and keeps it; these functions load the format themselves.

// Prints on the page printer, or on the receipt printer when state.pWin is 0. The printer is the
// system's default one; with none, or with the setting AskPrinter, the print dialog lets the
// operator choose (it also offers a PDF file), and cancelling it prints nothing and says nothing.
// A missing or unreadable format is reported to the operator. True when sheets were sent.
bool PrintDocument(const CPrintJob& job, Database& db, const ApplicationState& state, QWidget* parent);

// The document's sheets on screen, from where the operator may also print them.
void PreviewDocument(const CPrintJob& job, Database& db, QWidget* parent);

// Writes the document's sheets to the PDF file `pdfPath` (letter paper) without asking anything.
// False, with the reason in *error, when the format is missing or unreadable, the document has
// no lines or the file cannot be written; the file is not touched then (except a failed write).
bool PrintToPdf(const CPrintJob& job, Database& db, const QString& pdfPath, QString* error);

// The sheets of every copy of the job, laid out through its format. False, with the operator's
// message in *error, when no format is chosen or it cannot be read. No lines: no sheets.
bool LayoutDocument(const CPrintJob& job, Database& db, std::vector<PrintPage>& pages, QString* error);

// Draws `pages` as one print job named "Imprimiendo Documento" on `printer` (set to full-page
// painting here). False when the printer cannot be opened or there is nothing to draw.
bool PrintPages(QPrinter& printer, const std::vector<PrintPage>& pages);
