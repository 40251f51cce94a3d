#pragma once

#include "db/DaoRecordset.h"

// The table Impuestos: taxes and withholdings.
class CImpuestosSet final : public CDaoRecordset {
public:
    explicit CImpuestosSet(Database& db) : CDaoRecordset(db) {}

    std::int32_t m_Id_Impuesto = 0;
    std::string m_Nombre;
    double m_Porcentaje = 0.0;
    bool m_Retencion = false;

protected:
    std::string defaultSql() const override { return "[Impuestos]"; }
    void doFieldExchange(FieldExchange& fx) override;
};
