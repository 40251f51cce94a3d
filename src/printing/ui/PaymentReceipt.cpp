#include "printing/ui/PaymentReceipt.h"

#include "cfdi/DocumentRounding.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "db/ui/DbErrorMessage.h"
#include "platform/ApplicationState.h"
#include "platform/ui/SettingsStore.h"
#include "printing/DefaultFormats.h"
#include "printing/PrintJob.h"
#include "printing/ui/PrintDocument.h"
#include "printing/ui/SelectFormat.h"
#include "toolkit/ui/TolMessageDlg.h"

void PrintPaymentReceipt(Database& db, std::int32_t idDocumento, std::int32_t numPago, QWidget* parent) {
    try {
        Statement s = db.prepare("SELECT Serie, Folio FROM Documentos WHERE Id_Documento = ?");
        s.bind(1, std::int64_t{idDocumento});
        if (!s.step())
            return;
        CPrintJob job;
        job.NumPago = numPago;
        const std::string serie = s.text(0);
        const auto folio = static_cast<std::int32_t>(s.integer(1));
        s.reset();
        if (job.LoadStored(db, serie, folio, DocumentRounding(db)) != CDocumentStore::LoadResult::Loaded || !job.Cfdi.present) {
            TolMessage(QStringLiteral("- El pago no tiene complemento de pago -"));
            return;
        }
        const std::optional<SelectFormatResult> choice = CSelectFormat::Run(db, parent, kPaymentReceiptFormat);
        if (!choice)
            return;
        job.FormatId = choice->formatoId;
        job.Copies = choice->copias;
        if (choice->vistaPrevia) {
            PreviewDocument(job, db, parent);
            return;
        }
        // A receipt is a letter sheet, whatever printer the documents go to.
        ApplicationState state;
        ApplySettings(SettingsStore::read(), state);
        state.pWin = 1;
        PrintDocument(job, db, state, parent);
    } catch (const DbError& e) {
        ShowDbError(e);
    }
}
