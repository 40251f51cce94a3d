#include "cfdi/PacCodes.h"

namespace {

struct Meaning {
    const char* code;
    const char* text;
};

const Meaning kMeanings[] = {
    {"300", "el PAC no aceptó el usuario o la contraseña: revíselos en Datos fiscales"},
    {"301", "el XML del comprobante está mal formado: séllelo de nuevo y, si se repite, avise a soporte"},
    {"302", "el sello no es válido: revise el certificado en Datos fiscales"},
    {"303", "el sello no es del emisor: el certificado en Datos fiscales debe ser del RFC del negocio"},
    {"304", "el certificado está revocado o caducado: tramite un nuevo certificado de sello digital en el SAT "
            "y cárguelo en Datos fiscales"},
    {"305", "la fecha del comprobante está fuera de la vigencia del certificado: revise el certificado en Datos "
            "fiscales o la fecha del documento"},
    {"306", "el certificado no es un certificado de sello digital (¿es la e.firma?): cargue el CSD en Datos "
            "fiscales"},
    {"307", "el comprobante ya estaba timbrado: se usa el timbre que el PAC ya había dado"},
    {"308", "el certificado no lo expidió el SAT: cargue en Datos fiscales el CSD que le dio el SAT"},
    {"401", "la fecha del comprobante pasó de las 72 horas que permite el SAT: séllelo de nuevo con la fecha de hoy"},
    {"402", "el RFC del emisor no está en la lista de contribuyentes del SAT: revise el RFC en Datos fiscales o "
            "acuda al SAT"},
    {"705", "la estructura del XML no es válida: revise los datos fiscales del documento y séllelo de nuevo"},
    {"707", "el XML ya trae un timbre fiscal: no se vuelve a timbrar"},
    {"708", "el PAC no pudo comunicarse con el SAT: no se sabe si quedó timbrado; intente de nuevo en unos "
            "minutos con el mismo comprobante"},
    {"201", "el SAT recibió la solicitud de cancelación"},
    {"202", "la cancelación ya se había solicitado antes"},
    {"203", "el folio fiscal no es de este emisor: revise el RFC en Datos fiscales"},
    {"205", "el SAT no conoce ese folio fiscal: si se timbró hace poco, espere unos minutos e intente de nuevo"},
    {"207", "el motivo de cancelación no es válido: con el motivo 01 indique el folio fiscal que lo sustituye"},
};

bool digit(char c) { return c >= '0' && c <= '9'; }

} // namespace

namespace PacCodes {

std::string Text(const std::string& code, const std::string& pacMessage) {
    for (const Meaning& m : kMeanings)
        if (code == m.code)
            return code + " — " + m.text;
    std::string said = pacMessage.empty() ? "el PAC no explicó el motivo" : "el PAC dice: «" + pacMessage + "»";
    return code.empty() ? said : code + " — " + said;
}

std::string CodeOf(const std::string& message) {
    std::size_t i = 0;
    while (i < message.size() && message[i] == ' ')
        ++i;
    // Cancellation codes come as "CA205"; the SAT's validation codes as "CFDI40102" or, for payment
    // complements, "CRP20218", kept whole.
    std::size_t start = i;
    if (message.compare(i, 2, "CA") == 0 && i + 2 < message.size() && digit(message[i + 2]))
        start = i += 2;
    else if (message.compare(i, 4, "CFDI") == 0 && i + 4 < message.size() && digit(message[i + 4]))
        i += 4;
    else if (message.compare(i, 3, "CRP") == 0 && i + 3 < message.size() && digit(message[i + 3]))
        i += 3;
    const std::size_t digits = i;
    while (i < message.size() && digit(message[i]))
        ++i;
    if (i - digits < 3 || i - digits > 6)
        return {};
    // The number must end there: "302abc" is no code.
    if (i < message.size() && message[i] != ' ' && message[i] != '.' && message[i] != '-' && message[i] != ':')
        return {};
    return message.substr(start, i - start);
}

} // namespace PacCodes
