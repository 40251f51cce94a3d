#include "db/DocumentosSet.h"

void CDocumentosSet::doFieldExchange(FieldExchange& fx) {
    fx.field("Id_Documento", m_Id_Documento);
    fx.field("Id_Cliente", m_Id_Cliente);
    fx.field("Nombre", m_Nombre);
    fx.field("Dom1", m_Dom1);
    fx.field("Dom2", m_Dom2);
    fx.field("Dom3", m_Dom3);
    fx.field("RFC", m_RFC);
    fx.field("Fecha", m_Fecha);
    fx.field("Vence", m_Vence);
    fx.field("Serie", m_Serie);
    fx.field("Folio", m_Folio);
    fx.field("Importe", m_Importe);
    fx.field("Descuento", m_Descuento);
    fx.field("Subtotal", m_Subtotal);
    fx.field("Impuesto1", m_Impuesto1);
    fx.field("Impuesto2", m_Impuesto2);
    fx.field("Retencion1", m_Retencion1);
    fx.field("Retencion2", m_Retencion2);
    fx.field("Total", m_Total);
    fx.field("YaPagado", m_YaPagado);
    fx.field("Pagado", m_Pagado);
    fx.field("Observaciones", m_Observaciones);
    fx.field("Extra1", m_Extra1);
    fx.field("Extra2", m_Extra2);
    fx.field("Extra3", m_Extra3);
    fx.field("Extra4", m_Extra4);
    fx.field("Extra5", m_Extra5);
    fx.field("Extra6", m_Extra6);
    fx.field("Telefono", m_Telefono);
    fx.field("Cancelada", m_Cancelada);
}
