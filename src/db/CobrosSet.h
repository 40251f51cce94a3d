#pragma once

#include "db/DaoRecordset.h"

// The table Cobros: payments received.
class CCobrosSet final : public CDaoRecordset {
public:
    explicit CCobrosSet(Database& db) : CDaoRecordset(db) {}

    std::int32_t m_Id_Documento = 0;
    std::int32_t m_NumPago = 0;
    OleDate m_Fecha;
    double m_Importe = 0.0;
    std::string m_Observaciones;
    std::string m_Referencia;
    std::int32_t m_Id_Cliente = 0;

protected:
    std::string defaultSql() const override { return "[Cobros]"; }
    void doFieldExchange(FieldExchange& fx) override;
};
