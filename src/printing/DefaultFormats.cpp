#include "printing/DefaultFormats.h"

#include "db/Database.h"

void AddDefaultFormats(Database&) {
    // The layouts themselves are being drawn; until then a new database has none.
}
