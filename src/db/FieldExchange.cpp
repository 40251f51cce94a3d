#include "db/FieldExchange.h"

FieldExchange::FieldExchange(const std::vector<std::string>& columns, const std::vector<DbValue>& row)
    : m_mode(Mode::Load), m_row(&row) {
    for (std::size_t i = 0; i < columns.size(); ++i)
        m_index.emplace(columns[i], i);
}

const DbValue* FieldExchange::loaded(const char* name) const {
    const auto it = m_index.find(name);
    return it != m_index.end() && it->second < m_row->size() ? &(*m_row)[it->second] : nullptr;
}

template <typename T, typename FromValue, typename ToValue>
void FieldExchange::exchange(const char* name, T& member, FromValue from, ToValue to) {
    switch (m_mode) {
    case Mode::Describe:
        m_names.emplace_back(name);
        break;
    case Mode::Load: {
        const DbValue* v = loaded(name);
        member = v ? from(*v) : T{};
        break;
    }
    case Mode::Store:
        m_names.emplace_back(name);
        m_values.push_back(to(member));
        break;
    case Mode::Reset:
        member = T{};
        break;
    }
}

void FieldExchange::field(const char* name, std::int32_t& value) {
    exchange(name, value, [](const DbValue& v) { return static_cast<std::int32_t>(valueToInt(v)); },
             [](std::int32_t m) { return DbValue{std::int64_t{m}}; });
}

void FieldExchange::field(const char* name, bool& value) {
    exchange(name, value, [](const DbValue& v) { return valueToInt(v) != 0; },
             [](bool m) { return DbValue{std::int64_t{m ? 1 : 0}}; });
}

void FieldExchange::field(const char* name, double& value) {
    exchange(name, value, [](const DbValue& v) { return valueToDouble(v); }, [](double m) { return DbValue{m}; });
}

void FieldExchange::field(const char* name, OleDate& value) {
    exchange(name, value, [](const DbValue& v) { return OleDate{valueToDouble(v)}; },
             [](OleDate m) { return DbValue{m.value}; });
}

void FieldExchange::field(const char* name, std::string& value) {
    // Empty text is stored as Null and Null reads back as empty text.
    exchange(name, value, [](const DbValue& v) { return valueToText(v); },
             [](const std::string& m) { return m.empty() ? DbValue{} : DbValue{m}; });
}

void FieldExchange::bytes(const char* name, std::string& value) {
    exchange(name, value, [](const DbValue& v) { return valueToText(v); }, [this](const std::string& m) {
        if (m.empty())
            return DbValue{};
        return m_bytesAsText ? DbValue{m} : DbValue{Blob(m.begin(), m.end())};
    });
}

void FieldExchange::field(const char* name, Blob& value) {
    exchange(name, value,
             [](const DbValue& v) {
                 if (auto b = std::get_if<Blob>(&v))
                     return *b;
                 const std::string s = valueToText(v);
                 return Blob(s.begin(), s.end());
             },
             [](const Blob& m) { return DbValue{m}; });
}
