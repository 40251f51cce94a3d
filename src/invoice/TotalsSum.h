#pragma once

#include "invoice/DocumentTotals.h"

class CPartida;

// A document's totals, adding its lines one at a time. Unrounded: the lines' doubles, as always.
// LineCents: the cents of each line's amounts (LineCents) added as integers and turned into pesos
// once, so the totals are to the cent those of the document's electronic invoice; a document with
// a line out of that range (which no electronic invoice takes) keeps the unrounded sums. Importe
// neto and Descuento neto, which no invoice states, are unrounded either way.
class TotalsSum final {
public:
    explicit TotalsSum(TotalsRounding rounding) : m_rounding(rounding) {}

    void Add(const CPartida& line);
    DocumentTotals Totals() const;

private:
    TotalsRounding m_rounding;
    DocumentTotals m_unrounded;
    bool m_outOfRange = false;
    // 99 lines of LineCents' largest amounts would overflow 64 bits; 128 never do.
    __int128 m_importe = 0, m_descuento = 0, m_subtotal = 0, m_total = 0;
    __int128 m_imp1 = 0, m_imp2 = 0, m_ret1 = 0, m_ret2 = 0;
};
