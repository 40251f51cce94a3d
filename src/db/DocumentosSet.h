#pragma once

#include "db/DaoRecordset.h"

// The table Documentos: invoice headers.
class CDocumentosSet final : public CDaoRecordset {
public:
    explicit CDocumentosSet(Database& db) : CDaoRecordset(db) {}

    std::int32_t m_Id_Documento = 0;
    std::int32_t m_Id_Cliente = 0;
    std::string m_Nombre;
    std::string m_Dom1;
    std::string m_Dom2;
    std::string m_Dom3;
    std::string m_RFC;
    OleDate m_Fecha;
    OleDate m_Vence;
    std::string m_Serie;
    std::int32_t m_Folio = 0;
    double m_Importe = 0.0;
    double m_Descuento = 0.0;
    double m_Subtotal = 0.0;
    double m_Impuesto1 = 0.0;
    double m_Impuesto2 = 0.0;
    double m_Retencion1 = 0.0;
    double m_Retencion2 = 0.0;
    double m_Total = 0.0;
    double m_YaPagado = 0.0;
    bool m_Pagado = false;
    std::string m_Observaciones;
    std::string m_Extra1;
    std::string m_Extra2;
    std::string m_Extra3;
    std::string m_Extra4;
    std::string m_Extra5;
    std::string m_Extra6;
    std::string m_Telefono;
    bool m_Cancelada = false;

protected:
    std::string defaultSql() const override { return "[Documentos]"; }
    void doFieldExchange(FieldExchange& fx) override;
};
