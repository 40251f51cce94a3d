#include "db/GeneralSet.h"

void CGeneralSet::doFieldExchange(FieldExchange& fx) {
    fx.field("Version", m_Version);
    fx.field("Moneda", m_Moneda);
    fx.field("Postfijo", m_Postfijo);
    fx.field("Nombre", m_Nombre);
    fx.field("In", m_In);
}
