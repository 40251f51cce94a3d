#include "printing/PrintJob.h"

#include "invoice/DocumentHeader.h"
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
    // The pointer would dangle into the caller's table once it changes.
    CurrentLine = nullptr;
    CurrentLineNumber = 0;
    Lines = std::move(lines);
}
