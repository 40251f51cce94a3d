#include "db/ClientesSet.h"

void CClientesSet::doFieldExchange(FieldExchange& fx) {
    fx.field("Id_Cliente", m_Id_Cliente);
    fx.field("Nombre", m_Nombre);
    fx.field("Dom1", m_Dom1);
    fx.field("Dom2", m_Dom2);
    fx.field("Dom3", m_Dom3);
    fx.field("RFC", m_RFC);
    fx.field("Telefono", m_Telefono);
    fx.field("Clasificacion", m_Clasificacion);
}
