#pragma once

#include "db/DaoRecordset.h"

#include <cstdint>
#include <string>

// A record set for ad-hoc SQL (reports, the import), with two readers by field name.
class CTolRecordset : public CDaoRecordset {
public:
    explicit CTolRecordset(Database& db) : CDaoRecordset(db) {}

    std::int32_t GetLong(const std::string& field) const;
    double GetDouble(const std::string& field) const;

protected:
    // Opened on the SQL given to Open; there is no table of its own.
    std::string defaultSql() const override;
};
