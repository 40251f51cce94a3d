#pragma once

class Database;

// One consistent view of the database for work read with more than one statement, whatever other
// stations write meanwhile; ended on destruction, and never writes.
class ReadSnapshot final {
public:
    explicit ReadSnapshot(Database& db);
    ~ReadSnapshot();
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    Database& m_db;
};
