#include "catalogs/TaxTable.h"

#include "db/Database.h"

CTaxTable CTaxTable::Load(Database& db, bool withholdings) {
    CTaxTable table;
    Statement query = db.prepare(std::string("SELECT Id_Impuesto, Porcentaje FROM Impuestos WHERE ") +
                                 (withholdings ? "Retencion <> 0" : "Retencion = 0"));
    while (query.step())
        table.m_entries.push_back({static_cast<std::int32_t>(query.integer(0)), query.real(1) * 0.01});
    return table;
}

const CTaxTable::Entry* CTaxTable::find(std::int32_t id) const {
    for (const Entry& e : m_entries)
        if (e.id == id)
            return &e;
    return nullptr;
}

double CTaxTable::rateOf(std::int32_t id) const {
    const Entry* e = find(id);
    return e ? e->rate : 0.0;
}
