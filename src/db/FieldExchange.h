#pragma once

#include "db/DbValue.h"
#include "db/OleDate.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// Moves values between a record set's member variables and the columns of its current row. A
// record set lists its members once, in binding order, in doFieldExchange(); the same list then
// names the columns, loads a row, stores the members and resets them.
class FieldExchange final {
public:
    enum class Mode { Describe, Load, Store, Reset };

    // Describe, Reset and Store; `bytesAsText` stores bytes() members as text (a file) instead of
    // binary (a server).
    explicit FieldExchange(Mode mode, bool bytesAsText = true) : m_mode(mode), m_bytesAsText(bytesAsText) {}
    // Load: `row` holds the values of `columns` (by name, in any order).
    FieldExchange(const std::vector<std::string>& columns, const std::vector<DbValue>& row);

    Mode mode() const { return m_mode; }
    const std::vector<std::string>& names() const { return m_names; }
    const std::vector<DbValue>& values() const { return m_values; }

    void field(const char* name, std::int32_t& value);
    void field(const char* name, bool& value);
    void field(const char* name, double& value);
    void field(const char* name, OleDate& value);
    void field(const char* name, std::string& value);
    void field(const char* name, Blob& value);
    // Bytes that are not text in any encoding, kept in a string (a ColumnKind::Bytes column): stored
    // as text or binary as the engine needs, read from either.
    void bytes(const char* name, std::string& value);

private:
    const DbValue* loaded(const char* name) const;
    template <typename T, typename FromValue, typename ToValue>
    void exchange(const char* name, T& member, FromValue from, ToValue to);

    Mode m_mode;
    bool m_bytesAsText = true;
    std::vector<std::string> m_names;
    std::vector<DbValue> m_values;
    std::unordered_map<std::string, std::size_t> m_index;
    const std::vector<DbValue>* m_row = nullptr;
};
