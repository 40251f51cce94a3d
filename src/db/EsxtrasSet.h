#pragma once

#include "db/DaoRecordset.h"

// The table CamposExtras: names of the extra fields, read in Consec order.
class CEsxtrasSet final : public CDaoRecordset {
public:
    explicit CEsxtrasSet(Database& db) : CDaoRecordset(db) {}

    std::int32_t m_Consec = 0;
    std::int32_t m_Id_Extra = 0;
    bool m_DeDetalle = false;
    std::string m_Nombre;
    std::int32_t m_Formato = 0;

protected:
    std::string defaultSql() const override { return "[CamposExtras]"; }
    void doFieldExchange(FieldExchange& fx) override;
};
