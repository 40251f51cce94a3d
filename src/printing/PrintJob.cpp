#include "printing/PrintJob.h"

#include "invoice/DocumentHeader.h"
#include "invoice/DocumentStore.h"
#include "invoice/DocumentTotals.h"
#include "invoice/Lineas.h"

void CPrintJob::SetDocument(const DocumentHeader& header, const CLineas& lines, const DocumentTotals& totals) {
    std::vector<CPartida> committed;
    committed.reserve(static_cast<std::size_t>(lines.LineCount()));
    for (int row = 1; row <= lines.LineCount(); ++row)
        committed.push_back(lines.Line(row));
    SetDocument(header, std::move(committed), totals);
}

void CPrintJob::SetDocument(const DocumentHeader& header, std::vector<CPartida> lines, const DocumentTotals& totals) {
    Folio = header.folio;
    Serie = header.serie;
    Nombre = header.nombre;
    Dom1 = header.dom1;
    Dom2 = header.dom2;
    Dom3 = header.dom3;
    Telefono = header.telefono;
    RFC = header.rfc;
    Fecha = header.fecha;
    Vencimiento = header.vence;
    Extras = header.extras;
    Observaciones = header.observaciones;
    Totals = totals;
    Cfdi = {};
    // The pointer would dangle into the caller's table once it changes.
    CurrentLine = nullptr;
    CurrentLineNumber = 0;
    Lines = std::move(lines);
}

CDocumentStore::LoadResult CPrintJob::LoadStored(Database& db, const std::string& serie, std::int32_t folio,
                                                 TotalsRounding rounding) {
    CDocumentStore store(db);
    const auto id = store.Find(serie, folio);
    if (!id)
        return CDocumentStore::LoadResult::NotFound;
    DocumentHeader header;
    std::vector<CPartida> lines;
    const CDocumentStore::LoadResult loaded = store.Load(*id, header, lines);
    if (loaded != CDocumentStore::LoadResult::Loaded)
        return loaded;
    const DocumentTotals totals = DocumentTotals::Of(lines, rounding);
    SetDocument(header, std::move(lines), totals);
    Cfdi = NumPago ? CfdiPrintData::LoadPayment(db, *id, NumPago) : CfdiPrintData::Load(db, *id);
    Negocio = BusinessData::Load(db);
    // A payment's receipt shows the payment, not the invoice's lines.
    if (NumPago)
        Lines.clear();
    return loaded;
}

void CPrintJob::LoadCfdi(Database& db) {
    const auto id = CDocumentStore(db).Find(Serie, Folio);
    Cfdi = !id ? CfdiPrintData{} : NumPago ? CfdiPrintData::LoadPayment(db, *id, NumPago) : CfdiPrintData::Load(db, *id);
    Negocio = BusinessData::Load(db);
}
