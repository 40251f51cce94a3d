#pragma once

#include <string>

// What a PAC's code means to the operator, in Spanish, with what to do about it:
// "302 — el sello no es válido: revise el certificado en Datos fiscales". A code we do not know
// is shown with the PAC's own words.
namespace PacCodes {

std::string Text(const std::string& code, const std::string& pacMessage = {});

// The code a PAC put at the start of a message: "307. El CFDI…" → "307", "CA205 - …" → "205",
// "CFDI40102 …" → "CFDI40102"; empty when the message starts with none.
std::string CodeOf(const std::string& message);

} // namespace PacCodes
