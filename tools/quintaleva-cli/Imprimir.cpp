#include "Imprimir.h"
#include "CliCommon.h"
#include "CliDatabase.h"

#include "cfdi/DocumentRounding.h"
#include "db/Database.h"
#include "db/ValueFunctions.h"
#include "invoice/DocumentStore.h"
#include "platform/ApplicationState.h"
#include "platform/SharedValues.h"
#include "platform/ui/LocaleMoneyFormat.h"
#include "platform/ui/SettingsStore.h"
#include "printing/PrintJob.h"
#include "printing/TicketOutput.h"
#include "printing/TicketPort.h"
#include "printing/ui/PrintDocument.h"
#include "printing/ui/TicketPrint.h"

#include <QGuiApplication>
#include <QLocale>

#include <cstdio>

namespace {
// The document through the receipt printer's channel, with the settings the program reads.
int imprimirTicket(Database& db, const CPrintJob& job, const ApplicationState& state) {
    const TicketSettings settings = TicketSettingsOf(state);
    const TicketOutput::Result result = TicketOutput::Print(db, job, settings);
    if (!result)
        return fail(result.message);
    std::printf("Documento %s%s enviado a la impresora de tickets %s\n", job.Serie.c_str(),
                NumberToPaddedText(job.Folio).c_str(), TicketPort::ForSettings(settings).description().c_str());
    // Sent, but a network printer did not say it read it all, or the logo was left out.
    if (!result.message.empty())
        std::fprintf(stderr, "%s\n", result.message.c_str());
    return 0;
}
} // namespace

int Imprimir(int argc, char** argv, const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::string pdf;
    long formato = -1, pago = 0;
    bool ticket = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--ticket") {
            ticket = true;
        } else if (args[i] == "--pdf" || args[i] == "--formato" || args[i] == "--pago") {
            if (i + 1 >= args.size())
                return fail("falta el valor de " + args[i] + ".");
            if (args[i] == "--pdf") {
                pdf = args[++i];
            } else if (args[i] == "--pago") {
                const std::string& text = args[++i];
                pago = ParseFolioText(text);
                if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || pago <= 0)
                    return fail("--pago pide el número del pago (1, 2, 3...).");
            } else {
                const std::string& text = args[++i];
                formato = ParseFolioText(text);
                if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || formato <= 0)
                    return fail("--formato pide el número de un formato de impresión.");
            }
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 3 || (ticket ? !pdf.empty() || formato > 0 : pdf.empty() || formato <= 0))
        return fail("uso: quintaleva-cli imprimir ARCHIVO SERIE FOLIO --formato ID --pdf SALIDA.pdf [--pago N]\n"
                    "     quintaleva-cli imprimir ARCHIVO SERIE FOLIO --ticket");
    const std::string& file = positional[0];
    const std::string serie = positional[1] == "-" ? std::string() : positional[1];
    const std::string& folioText = positional[2];
    // Digits only, and no more than a folio can be: a longer number is not taken as another folio.
    const std::optional<std::int32_t> read = ReadFolio(folioText);
    if (folioText.empty() || folioText.find_first_not_of("0123456789") != std::string::npos || !read)
        return fail("\"" + folioText + "\" no es un folio.");
    const std::int32_t folio = *read;

    // Printing reads the document only: a database the user may not write prints all the same.
    auto db = OpenDatabaseForReading(file);
    CPrintJob job;
    job.NumPago = static_cast<std::int32_t>(pago);
    switch (job.LoadStored(*db, serie, folio, DocumentRounding(*db))) {
    case CDocumentStore::LoadResult::NotFound:
        return fail("no existe el documento " + serie + NumberToPaddedText(folio) + ".");
    case CDocumentStore::LoadResult::NoLines:
        return fail("el documento " + serie + NumberToPaddedText(folio) + " no tiene partidas.");
    case CDocumentStore::LoadResult::Loaded: break;
    }
    if (pago && !job.Cfdi.present)
        return fail("el pago " + std::to_string(pago) + " de " + serie + NumberToPaddedText(folio) +
                    " no tiene complemento de pago.");

    // The money format and the currency words of the amount in words, as the program reads them
    // at start-up.
    MoneyFormat::setCurrent(LocaleMoneyFormat(QLocale::system()));
    ApplicationState state;
    ApplySettings(SettingsStore::read(), state);
    LoadSharedValues(*db, state);
    if (ticket)
        return imprimirTicket(*db, job, state);

    // Fonts and the PDF writer need a GUI application, but no screen; the framework's chatter
    // about the session it runs in is not for the technician.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    QGuiApplication app(argc, argv);
    job.FormatId = static_cast<std::int32_t>(formato);
    job.Copies = 1;
    QString error;
    if (!PrintToPdf(job, *db, QString::fromStdString(pdf), &error))
        return fail(error.toStdString());
    std::printf("Documento %s%s impreso en %s\n", serie.c_str(), NumberToPaddedText(folio).c_str(), pdf.c_str());
    return 0;
}
