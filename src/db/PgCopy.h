#pragma once

#include "db/Connection.h"

class PgConnection;

// Rows for one table sent to a server as one COPY ... FROM STDIN stream in its text format, in
// pieces of about a megabyte: one round trip for the lot instead of one a row. The server checks
// each row as it arrives (types, keys, constraints) and reports the first refused one at finish().
class PgCopy final : public BulkBackend {
public:
    PgCopy(PgConnection& conn, const std::string& table, const std::vector<std::string>& columns);
    // Unfinished, the stream is abandoned: the server discards it and fails the transaction.
    ~PgCopy() override;

    void add(const std::vector<DbValue>& row) override;
    void finish() override;

    // One value in COPY's text format (for the tests).
    static void appendValue(std::string& line, const DbValue& value);

private:
    void send();

    PgConnection& m_conn;
    std::string m_buffer;
    bool m_open = true;
};
