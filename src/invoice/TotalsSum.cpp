#include "invoice/TotalsSum.h"

#include "invoice/LineCents.h"
#include "invoice/Partida.h"

namespace {

double pesos(__int128 cents) { return static_cast<double>(cents) / 100.0; }

} // namespace

void TotalsSum::Add(const CPartida& line) {
    m_unrounded.Add(line);
    if (m_rounding != TotalsRounding::LineCents || m_outOfRange)
        return;
    const std::optional<LineCents> c = LineCents::Of(line);
    if (!c) {
        m_outOfRange = true;
        return;
    }
    m_importe += c->importe;
    m_descuento += c->descuento;
    m_subtotal += c->base;
    m_imp1 += c->imp1;
    m_imp2 += c->imp2;
    m_ret1 += c->ret1;
    m_ret2 += c->ret2;
    m_total += c->total();
}

DocumentTotals TotalsSum::Totals() const {
    if (m_rounding != TotalsRounding::LineCents || m_outOfRange)
        return m_unrounded;
    DocumentTotals t = m_unrounded;
    t.Importe = pesos(m_importe);
    t.Descuento = pesos(m_descuento);
    t.Subtotal = pesos(m_subtotal);
    t.Impuesto1 = pesos(m_imp1);
    t.Impuesto2 = pesos(m_imp2);
    t.Retencion1 = pesos(m_ret1);
    t.Retencion2 = pesos(m_ret2);
    t.Total = pesos(m_total);
    return t;
}
