#include "db/DetallesSet.h"

void CDetallesSet::doFieldExchange(FieldExchange& fx) {
    fx.field("Id_Detalle", m_Id_Detalle);
    fx.field("Id_Documento", m_Id_Documento);
    fx.field("Renglon", m_Renglon);
    fx.field("Id_Articulo", m_Id_Articulo);
    fx.field("Clave", m_Clave);
    fx.field("Descripcion", m_Descripcion);
    fx.field("Precio", m_Precio);
    fx.field("Cantidad", m_Cantidad);
    fx.field("pDescuento", m_pDescuento);
    fx.field("Importe", m_Importe);
    fx.field("Descuento", m_Descuento);
    fx.field("Imp1", m_Imp1);
    fx.field("Imp2", m_Imp2);
    fx.field("Ret1", m_Ret1);
    fx.field("Ret2", m_Ret2);
    fx.field("Total", m_Total);
    fx.field("Observeciones", m_Observeciones);
    fx.field("Extra1", m_Extra1);
    fx.field("Extra2", m_Extra2);
    fx.field("Extra3", m_Extra3);
    fx.field("Extra4", m_Extra4);
    fx.field("pI1", m_pI1);
    fx.field("pI2", m_pI2);
    fx.field("pR1", m_pR1);
    fx.field("pR2", m_pR2);
}
