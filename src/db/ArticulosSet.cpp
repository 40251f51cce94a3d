#include "db/ArticulosSet.h"

void CArticulosSet::doFieldExchange(FieldExchange& fx) {
    fx.field("Id_Articulo", m_Id_Articulo);
    fx.field("Clave", m_Clave);
    fx.field("Descripcion", m_Descripcion);
    fx.field("Precio", m_Precio);
    fx.field("Id_Imp1", m_Id_Imp1);
    fx.field("Id_Imp2", m_Id_Imp2);
    fx.field("Id_Ret1", m_Id_Ret1);
    fx.field("Id_Ret2", m_Id_Ret2);
    fx.field("Observaciones", m_Observaciones);
    fx.field("PrecioNeto", m_PrecioNeto);
}
