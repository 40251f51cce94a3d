#include "db/DbValue.h"

#include <cmath>
#include <cstdlib>

std::string valueToText(const DbValue& v) {
    if (auto s = std::get_if<std::string>(&v))
        return *s;
    if (auto i = std::get_if<std::int64_t>(&v))
        return std::to_string(*i);
    if (auto d = std::get_if<double>(&v)) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", *d);
        return buf;
    }
    if (auto b = std::get_if<Blob>(&v))
        return std::string(b->begin(), b->end());
    return {};
}

std::int64_t valueToInt(const DbValue& v) {
    if (auto i = std::get_if<std::int64_t>(&v))
        return *i;
    if (auto d = std::get_if<double>(&v))
        return std::isfinite(*d) ? static_cast<std::int64_t>(std::llround(*d)) : 0;
    if (auto s = std::get_if<std::string>(&v))
        return std::strtoll(s->c_str(), nullptr, 10);
    return 0;
}

double valueToDouble(const DbValue& v) {
    if (auto d = std::get_if<double>(&v))
        return *d;
    if (auto i = std::get_if<std::int64_t>(&v))
        return static_cast<double>(*i);
    if (auto s = std::get_if<std::string>(&v))
        return std::strtod(s->c_str(), nullptr);
    return 0.0;
}
