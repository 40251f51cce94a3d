#include "db/TolRecordset.h"

#include "db/DbError.h"

std::int32_t CTolRecordset::GetLong(const std::string& field) const {
    return static_cast<std::int32_t>(valueToInt(GetFieldValue(field)));
}

double CTolRecordset::GetDouble(const std::string& field) const { return valueToDouble(GetFieldValue(field)); }

std::string CTolRecordset::defaultSql() const {
    throw DbError("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.", DbError::kGeneric);
}
