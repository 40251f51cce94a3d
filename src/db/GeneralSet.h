#pragma once

#include "db/DaoRecordset.h"

// The table General: the one row of general data.
class CGeneralSet final : public CDaoRecordset {
public:
    explicit CGeneralSet(Database& db) : CDaoRecordset(db) {}

    std::int32_t m_Version = 0;
    std::string m_Moneda;
    std::string m_Postfijo;
    std::string m_Nombre;
    std::string m_In;

protected:
    std::string defaultSql() const override { return "[General]"; }
    void doFieldExchange(FieldExchange& fx) override;
};
