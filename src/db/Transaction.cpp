#include "db/Transaction.h"

#include "db/Database.h"

Transaction::Transaction(Database& db) : m_db(db) {
    m_db.checkStillThere();
    m_db.execute(m_db.dialect().beginWrite());
}

Transaction::~Transaction() {
    if (m_done)
        return;
    try {
        m_db.execute("ROLLBACK");
    } catch (...) {
        // The engine rolls back by itself when it cannot; nothing more to do from a destructor.
    }
}

void Transaction::commit() {
    // A file replaced during the transaction: its writes are rolled back with the connection.
    m_db.checkStillThere();
    m_db.execute("COMMIT");
    m_done = true;
}
