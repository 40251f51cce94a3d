#pragma once

class Database;

// One write operation: begun on construction, rolled back on destruction unless committed, so an
// exception anywhere in between leaves nothing half-written.
class Transaction final {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Database& m_db;
    bool m_done = false;
};
