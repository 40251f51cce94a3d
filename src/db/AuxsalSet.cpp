#include "db/AuxsalSet.h"

void CAuxsalSet::doFieldExchange(FieldExchange& fx) {
    fx.field("Cliente", m_Cliente);
    fx.field("Fecha", m_Fecha);
    fx.field("Concepto", m_Concepto);
    fx.field("Referencia", m_Referencia);
    fx.field("Cargos", m_Cargos);
    fx.field("Abonos", m_Abonos);
    fx.field("Saldo", m_Saldo);
}
