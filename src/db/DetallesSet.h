#pragma once

#include "db/DaoRecordset.h"

// The table Detalles: invoice lines.
class CDetallesSet final : public CDaoRecordset {
public:
    explicit CDetallesSet(Database& db) : CDaoRecordset(db) {}

    std::int32_t m_Id_Detalle = 0;
    std::int32_t m_Id_Documento = 0;
    std::int32_t m_Renglon = 0;
    std::int32_t m_Id_Articulo = 0;
    std::string m_Clave;
    std::string m_Descripcion;
    double m_Precio = 0.0;
    double m_Cantidad = 0.0;
    double m_pDescuento = 0.0;
    double m_Importe = 0.0;
    double m_Descuento = 0.0;
    double m_Imp1 = 0.0;
    double m_Imp2 = 0.0;
    double m_Ret1 = 0.0;
    double m_Ret2 = 0.0;
    double m_Total = 0.0;
    std::string m_Observeciones;
    std::string m_Extra1;
    std::string m_Extra2;
    std::string m_Extra3;
    std::string m_Extra4;
    double m_pI1 = 0.0;
    double m_pI2 = 0.0;
    double m_pR1 = 0.0;
    double m_pR2 = 0.0;

protected:
    std::string defaultSql() const override { return "[Detalles]"; }
    void doFieldExchange(FieldExchange& fx) override;
};
