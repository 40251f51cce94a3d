#pragma once

#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "support/ScratchDir.h"

#include <libpq-fe.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>

// A fresh database for one test: a file in a scratch folder, or, when QUINTALEVA_TEST_PG names a
// PostgreSQL server (a URI to its maintenance database, e.g.
// "postgresql:///postgres?host=/tmp/pg&port=5499&user=nobody"), a database of its own created on
// that server and dropped when the test ends. The same test then checks both engines.
class TestDatabase final {
public:
    explicit TestDatabase(const std::string& name = "prueba") {
        const std::string server = serverUri();
        if (server.empty()) {
            m_location = m_dir.file(name + ".mdb");
            return;
        }
        static std::atomic<int> counter{0};
        m_name = "qvt_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
        admin("DROP DATABASE IF EXISTS " + m_name + " WITH (FORCE)");
        admin("CREATE DATABASE " + m_name + " TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'");
        m_location = DatabaseLocation::withDatabase(server, m_name);
    }
    ~TestDatabase() {
        if (!m_name.empty()) {
            try {
                admin("DROP DATABASE IF EXISTS " + m_name + " WITH (FORCE)");
            } catch (...) {
            }
        }
    }
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    static bool onServer() { return !serverUri().empty(); }

    // Where the database lives: a file path or the server URI of the test's own database.
    const std::string& location() const { return m_location; }
    // A scratch folder for the test's other files.
    const ScratchDir& dir() const { return m_dir; }

    std::unique_ptr<Database> create(const std::function<void(Database&)>& seed = {}) const {
        return Database::create(m_location, seed);
    }
    std::unique_ptr<Database> open() const { return Database::open(m_location); }

    // Makes `event` ("INSERT", "UPDATE OF YaPagado", "DELETE") on `table` fail with "disco lleno"
    // for the rows that meet `condition` (on NEW, or OLD for a delete), standing for a disk that
    // fails part-way through an operation; clearFailure() removes it.
    static void injectFailure(Database& db, const std::string& table, const std::string& event,
                              const std::string& condition = "1 = 1") {
        if (db.dialect().isServer()) {
            db.execute("CREATE OR REPLACE FUNCTION falla() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF " +
                       condition + " THEN RAISE EXCEPTION 'disco lleno'; END IF; "
                       "IF TG_OP = 'DELETE' THEN RETURN OLD; END IF; RETURN NEW; END $$");
            db.execute("CREATE TRIGGER falla BEFORE " + event + " ON " + table +
                       " FOR EACH ROW EXECUTE FUNCTION falla()");
        } else {
            db.execute("CREATE TRIGGER falla BEFORE " + event + " ON " + table + " WHEN " + condition +
                       " BEGIN SELECT RAISE(ABORT, 'disco lleno'); END");
        }
    }
    static void clearFailure(Database& db, const std::string& table) {
        db.execute(db.dialect().isServer() ? "DROP TRIGGER falla ON " + table : std::string("DROP TRIGGER falla"));
    }

    // On a server only: the connection that runs `event` on `table` for a row that meets
    // `condition` is ended by the server in the middle of the statement, as a restarted server
    // or a cut cable would end it; clearLostConnection() removes it.
    static void injectLostConnection(Database& db, const std::string& table, const std::string& event,
                                     const std::string& condition = "1 = 1") {
        db.execute("CREATE OR REPLACE FUNCTION corta() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF " + condition +
                   " THEN PERFORM pg_terminate_backend(pg_backend_pid()); END IF; "
                   "IF TG_OP = 'DELETE' THEN RETURN OLD; END IF; RETURN NEW; END $$");
        db.execute("CREATE TRIGGER corta BEFORE " + event + " ON " + table + " FOR EACH ROW EXECUTE FUNCTION corta()");
    }
    static void clearLostConnection(Database& db, const std::string& table) {
        db.execute("DROP TRIGGER corta ON " + table);
    }
    // On a server only: ends every other connection to `db`'s database, as a restart of the
    // server does to the stations that sit idle.
    static void endOtherConnections(Database& db) {
        db.execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = current_database() "
                   "AND pid <> pg_backend_pid()");
    }

private:
    static std::string serverUri() {
        const char* uri = std::getenv("QUINTALEVA_TEST_PG");
        return uri && *uri ? uri : "";
    }

    static void admin(const std::string& sql) {
        PGconn* conn = PQconnectdb(serverUri().c_str());
        if (PQstatus(conn) != CONNECTION_OK) {
            const std::string message = PQerrorMessage(conn);
            PQfinish(conn);
            throw std::runtime_error("test server: " + message);
        }
        PGresult* r = PQexec(conn, sql.c_str());
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        const std::string message = ok ? "" : PQresultErrorMessage(r);
        PQclear(r);
        PQfinish(conn);
        if (!ok)
            throw std::runtime_error("test server: " + sql + ": " + message);
    }

    ScratchDir m_dir;
    std::string m_name;
    std::string m_location;
};
