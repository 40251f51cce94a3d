#pragma once

#include <string>

// The "cadena original" of a CFDI 4.0, computed from its XML the way the SAT's
// cadenaoriginal_4_0.xslt does: each datum in the stylesheet's order, blanks collapsed, joined by
// "|", between "||" and "||". Complements without a template of their own contribute their text,
// as the stylesheet's built-in rule does; the payment complement is refused (not built yet).
class CCadenaOriginal final {
public:
    struct Result {
        bool ok = false;
        std::string cadena;
        std::string error; // Spanish, when !ok
    };
    static Result FromXml(const std::string& xml);
};
