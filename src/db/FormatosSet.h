#pragma once

#include "db/DaoRecordset.h"

// The table Formatos: print formats.
class CFormatosSet final : public CDaoRecordset {
public:
    explicit CFormatosSet(Database& db) : CDaoRecordset(db) {}

    std::int32_t m_Id_Formato = 0;
    std::string m_Nombre;
    Blob m_Detalle;
    std::string m_Observaciones;
    std::int32_t m_Caben = 0;
    bool m_Ticket = false;
    std::int32_t m_Repetir = 0;

protected:
    std::string defaultSql() const override { return "[Formatos]"; }
    void doFieldExchange(FieldExchange& fx) override;
};
