#include "db/CobrosSet.h"

void CCobrosSet::doFieldExchange(FieldExchange& fx) {
    fx.field("Id_Documento", m_Id_Documento);
    fx.field("NumPago", m_NumPago);
    fx.field("Fecha", m_Fecha);
    fx.field("Importe", m_Importe);
    fx.field("Observaciones", m_Observaciones);
    fx.field("Referencia", m_Referencia);
    fx.field("Id_Cliente", m_Id_Cliente);
}
