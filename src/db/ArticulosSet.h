#pragma once

#include "db/DaoRecordset.h"

// The table Articulos: articles.
class CArticulosSet final : public CDaoRecordset {
public:
    explicit CArticulosSet(Database& db) : CDaoRecordset(db) {}

    std::int32_t m_Id_Articulo = 0;
    std::string m_Clave;
    std::string m_Descripcion;
    double m_Precio = 0.0;
    std::int32_t m_Id_Imp1 = 0;
    std::int32_t m_Id_Imp2 = 0;
    std::int32_t m_Id_Ret1 = 0;
    std::int32_t m_Id_Ret2 = 0;
    std::string m_Observaciones;
    double m_PrecioNeto = 0.0;

protected:
    std::string defaultSql() const override { return "[Articulos]"; }
    void doFieldExchange(FieldExchange& fx) override;
};
