#include "invoice/DocumentTotals.h"

#include "invoice/Partida.h"
#include "invoice/TotalsSum.h"

void DocumentTotals::Add(const CPartida& line) {
    Importe += line.Importe;
    ImporteNeto += line.PrecioNeto * line.Cantidad;
    Descuento += line.Descuento;
    DescuentoNeto += line.DescuentoNeto;
    Subtotal += line.Subtotal;
    Impuesto1 += line.Imp1;
    Impuesto2 += line.Imp2;
    Retencion1 += line.Ret1;
    Retencion2 += line.Ret2;
    Total += line.Total;
}

DocumentTotals DocumentTotals::Of(std::span<const CPartida> lines, TotalsRounding rounding) {
    TotalsSum sum(rounding);
    for (const CPartida& line : lines)
        sum.Add(line);
    return sum.Totals();
}
