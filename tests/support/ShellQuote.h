#pragma once

#include <string>

// `s` as one word for /bin/sh, whatever it holds.
inline std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
