#include "db/GeneralSet.h"

void CGeneralSet::doFieldExchange(FieldExchange& fx) {
    fx.field("Version", m_Version);
    fx.field("Moneda", m_Moneda);
    fx.field("Postfijo", m_Postfijo);
    fx.field("Nombre", m_Nombre);
    // The scrambled access password: a ':' becomes a zero byte and a letter beyond ASCII no
    // UTF-8, neither of which a server's text column takes.
    fx.bytes("In", m_In);
}
