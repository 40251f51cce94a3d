#include "db/DbErrorText.h"

#include "db/DbError.h"

#include <sqlite3.h>

namespace {

const char* leadSentence(int code) {
    switch (code) {
    case DbError::kAuth:
        return "El servidor de la base de datos pide la contraseña del usuario: escríbala e intente de nuevo.";
    case DbError::kWrongPassword:
        return "El servidor de la base de datos no aceptó la contraseña del usuario: escríbala de nuevo, "
               "cuidando mayúsculas y minúsculas (si se toma del archivo ~/.pgpass o de PGPASSWORD, "
               "corríjala ahí).";
    case DbError::kLoginRefused:
        return "El servidor de la base de datos no deja entrar a este usuario desde esta computadora, o el "
               "usuario no existe: revise el nombre del usuario, o pida a su técnico que le dé acceso.";
    case DbError::kDenied:
        return "El usuario no tiene permiso sobre las tablas de esta base de datos del servidor; lo que se "
               "intentaba no se hizo: pida a su técnico que le dé permiso de leer y escribir en ellas.";
    case DbError::kReadOnlySession:
        return "El servidor de la base de datos sólo deja leer a este usuario; no se guardó nada: pida a su "
               "técnico permiso de escritura.";
    case DbError::kNoDatabase:
        return "La base de datos no existe en el servidor: revise su nombre.";
    case DbError::kServerStarting:
        return "El servidor de la base de datos se está encendiendo o apagando: intente de nuevo en unos "
               "momentos.";
    case DbError::kServerFull:
        return "El servidor de la base de datos no acepta más conexiones por ahora: cierre el programa en "
               "alguna estación que no lo use, o intente de nuevo en unos momentos.";
    case DbError::kServer:
        return "No se pudo comunicar con el servidor de la base de datos: revise que el servidor esté "
               "encendido, la dirección y la red. Si estaba guardando algo, guárdelo de nuevo cuando el "
               "servidor responda.";
    case DbError::kConflict:
        return "Otra estación modificó los mismos datos al mismo tiempo; no se guardó nada: intente de "
               "nuevo.";
    default:
        break;
    }
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "La base de datos está ocupada por otro programa; intente de nuevo en unos segundos.";
    case SQLITE_FULL:
        return "El disco está lleno: libere espacio en el disco e intente de nuevo.";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return "La base de datos está dañada: restaure un respaldo.";
    case SQLITE_READONLY:
        return "La base de datos es de sólo lectura: pida permiso de escritura sobre el archivo y su "
               "carpeta, o abra una copia.";
    case SQLITE_CANTOPEN:
        return "No se pudo abrir la base de datos: revise que el archivo exista y que su carpeta se "
               "pueda leer.";
    case SQLITE_IOERR:
        return "No se pudo leer o escribir la base de datos en el disco: revise el disco o la "
               "conexión de red e intente de nuevo.";
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return "El sistema negó el acceso a la base de datos: revise los permisos del archivo.";
    case SQLITE_NOMEM:
        return "No hay memoria suficiente: cierre otros programas e intente de nuevo.";
    case SQLITE_CONSTRAINT:
        return "La base de datos rechazó los datos porque repetirían o contradirían otros ya "
               "guardados; no se guardó nada.";
    default:
        return "La base de datos no pudo completar la operación: si se repite, muestre a su técnico "
               "el detalle de abajo.";
    }
}

} // namespace

std::string DbErrorText(const std::exception& error) {
    const auto* db = dynamic_cast<const DbError*>(&error);
    if (!db || db->code() == 0 || db->code() == DbError::kMoved)
        return error.what();
    return std::string(leadSentence(db->code())) + "\n\n(" + error.what() + ")";
}

bool IsDbPasswordRefused(const DbError& error) {
    return error.code() == DbError::kAuth || error.code() == DbError::kWrongPassword;
}

bool IsDbBusy(const DbError& error) {
    if (error.code() == DbError::kConflict)
        return true;
    const int primary = error.code() & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

bool IsDbConflict(const DbError& error) {
    return IsDbBusy(error) || error.code() == SQLITE_CONSTRAINT_UNIQUE || error.code() == SQLITE_CONSTRAINT_PRIMARYKEY;
}
