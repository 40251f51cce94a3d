#include "db/FormatosSet.h"

void CFormatosSet::doFieldExchange(FieldExchange& fx) {
    fx.field("Id_Formato", m_Id_Formato);
    fx.field("Nombre", m_Nombre);
    fx.field("Detalle", m_Detalle);
    fx.field("Observaciones", m_Observaciones);
    fx.field("Caben", m_Caben);
    fx.field("Ticket", m_Ticket);
    fx.field("Repetir", m_Repetir);
}
