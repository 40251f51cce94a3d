#include "db/ReadSnapshot.h"

#include "db/Database.h"

ReadSnapshot::ReadSnapshot(Database& db) : m_db(db) { m_db.execute(m_db.dialect().beginRead()); }

ReadSnapshot::~ReadSnapshot() {
    try {
        m_db.execute(m_db.dialect().endRead());
    } catch (...) {
        // Nothing was written; the engine ends the read by itself when it cannot be ended here.
    }
}
