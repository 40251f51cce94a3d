#include "db/EsxtrasSet.h"

void CEsxtrasSet::doFieldExchange(FieldExchange& fx) {
    fx.field("Consec", m_Consec);
    fx.field("Id_Extra", m_Id_Extra);
    fx.field("DeDetalle", m_DeDetalle);
    fx.field("Nombre", m_Nombre);
    fx.field("Formato", m_Formato);
}
