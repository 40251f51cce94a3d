#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

using Blob = std::vector<unsigned char>;

// One value bound to, or read from, a statement. Null is std::monostate.
using DbValue = std::variant<std::monostate, std::int64_t, double, std::string, Blob>;

inline bool isNull(const DbValue& v) { return std::holds_alternative<std::monostate>(v); }

// Readers that treat Null as the empty text and as 0, as every record set does.
std::string valueToText(const DbValue& v);
std::int64_t valueToInt(const DbValue& v);
double valueToDouble(const DbValue& v);
