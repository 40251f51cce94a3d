#include "db/ImpuestosSet.h"

void CImpuestosSet::doFieldExchange(FieldExchange& fx) {
    fx.field("Id_Impuesto", m_Id_Impuesto);
    fx.field("Nombre", m_Nombre);
    fx.field("Porcentaje", m_Porcentaje);
    fx.field("Retencion", m_Retencion);
}
