#pragma once

#include "db/TolRecordset.h"

// The table AuxEdo: scratch rows of the customer statement.
class CAuxsalSet final : public CTolRecordset {
public:
    explicit CAuxsalSet(Database& db) : CTolRecordset(db) {}

    std::string m_Cliente;
    OleDate m_Fecha;
    std::string m_Concepto;
    std::string m_Referencia;
    double m_Cargos = 0.0;
    double m_Abonos = 0.0;
    double m_Saldo = 0.0;

protected:
    std::string defaultSql() const override { return "[AuxEdo]"; }
    void doFieldExchange(FieldExchange& fx) override;
};
