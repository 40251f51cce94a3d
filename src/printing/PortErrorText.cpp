#include "printing/PortErrorText.h"

#include <cerrno>
#include <cstring>

std::string PortErrorText(int error) {
    switch (error) {
    case ENOENT: return "el dispositivo no existe";
    case EACCES:
    case EPERM: return "no tiene permiso para usarlo";
    case EISDIR: return "es una carpeta, no un dispositivo";
    case ENOTDIR: return "la ruta no es válida";
    case EBUSY: return "otro programa lo está usando";
    case ENOTTY: return "no es un puerto serie";
    case ENXIO:
    case ENODEV: return "el dispositivo no está conectado";
    case EIO: return "error de entrada/salida (¿impresora desconectada o apagada?)";
    case ENOSPC: return "la impresora no tiene papel o el disco está lleno";
    case EROFS: return "el sistema de archivos es de sólo lectura";
    case ETIMEDOUT: return "la impresora no respondió a tiempo";
    case ECONNREFUSED: return "la impresora rechazó la conexión";
    case EHOSTUNREACH:
    case ENETUNREACH: return "no se puede llegar a la impresora por la red";
    case ECONNRESET:
    case EPIPE: return "la impresora cerró la conexión";
    case EINVAL: return "la configuración del puerto no es válida";
    default: break;
    }
    char buffer[256] = {};
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return text ? text : "error " + std::to_string(error);
}
