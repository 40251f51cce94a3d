#include "catalogs/TaxTable.h"

#include "db/Database.h"

CTaxTable CTaxTable::Load(Database& db, bool withholdings) {
    CTaxTable table;
    Statement query = db.prepare(std::string("SELECT Id_Impuesto, Porcentaje FROM Impuestos WHERE ") +
                                 (withholdings ? "Retencion <> 0" : "Retencion = 0") +
                                 " ORDER BY Nombre COLLATE ES, Id_Impuesto");
    while (query.step())
        table.m_entries.push_back({static_cast<std::int32_t>(query.integer(0)), query.real(1) * 0.01});
    return table;
}

const CTaxTable::Entry& CTaxTable::at(int index) const {
    if (index < 0 || index >= size())
        return m_entries.front();
    return m_entries[static_cast<std::size_t>(index)];
}

int CTaxTable::indexOf(std::int32_t id) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].id == id)
            return static_cast<int>(i);
    return -1;
}

double CTaxTable::rateOf(std::int32_t id) const {
    const int index = indexOf(id);
    return index < 0 ? 0.0 : m_entries[static_cast<std::size_t>(index)].rate;
}
