#pragma once

#include "db/TolRecordset.h"

// The table Clientes: customers.
class CClientesSet final : public CTolRecordset {
public:
    explicit CClientesSet(Database& db) : CTolRecordset(db) {}

    std::int32_t m_Id_Cliente = 0;
    std::string m_Nombre;
    std::string m_Dom1;
    std::string m_Dom2;
    std::string m_Dom3;
    std::string m_RFC;
    std::string m_Telefono;
    std::string m_Clasificacion;

protected:
    std::string defaultSql() const override { return "[Clientes]"; }
    void doFieldExchange(FieldExchange& fx) override;
};
