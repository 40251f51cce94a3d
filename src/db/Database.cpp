#include "db/Database.h"

#include "db/CatalogOrder.h"
#include "db/Connection.h"
#include "db/DatabaseLocation.h"
#include "db/DbError.h"
#include "db/KeyIndexes.h"
#include "db/PgConnection.h"
#include "db/Schema.h"
#include "db/SqliteConnection.h"
#include "db/Transaction.h"

#include <filesystem>
#include <unistd.h>

Database::Database(std::unique_ptr<Connection> connection, std::string path)
    : m_conn(std::move(connection)), m_path(std::move(path)) {}

Database::~Database() = default;

std::unique_ptr<Connection> Database::connect(const std::string& location, const std::string& password) {
    if (DatabaseLocation::isServer(location))
        return PgConnection::connect(location, password);
    return SqliteConnection::open(location, false);
}

void Database::verify() {
    m_conn->checkOurs(m_path);
    // Every table and column we bind must be there; the engine names what is missing.
    for (const TableDef& t : Schema::tables()) {
        std::string sql = "SELECT ";
        for (std::size_t i = 0; i < t.columns.size(); ++i)
            sql += (i ? ", \"" : "\"") + t.columns[i].name + "\"";
        Statement probe = prepare(sql + " FROM \"" + t.name + "\" LIMIT 1");
        probe.step();
    }
}

std::unique_ptr<Database> Database::open(const std::string& location, const std::string& password,
                                         const std::function<bool()>& keepGoing) {
    std::unique_ptr<Database> db(new Database(connect(location, password), location));
    db->verify();
    db->m_conn->opened();
    // Databases made before the unique keys of documents and payments, or before the lists'
    // indexes, get them now; an interrupted upgrade is rolled back whole and tried again next time.
    if (keepGoing)
        db->m_conn->watchLongWork(keepGoing);
    KeyIndexes::addWhereAllowed(*db);
    CatalogOrder::ensure(*db);
    db->m_conn->watchLongWork({});
    return db;
}

std::unique_ptr<Database> Database::openForReading(const std::string& location, const std::string& password) {
    std::unique_ptr<Connection> conn;
    if (DatabaseLocation::isServer(location))
        conn = PgConnection::connect(location, password);
    else
        conn = SqliteConnection::openForReading(location);
    std::unique_ptr<Database> db(new Database(std::move(conn), location));
    db->verify();
    return db;
}

namespace {

void fill(Database& db, Connection& conn, const std::function<void(Database&)>& seed) {
    Transaction tx(db);
    conn.markOurs();
    Schema::create(db);
    if (seed)
        seed(db);
    tx.commit();
}

} // namespace

std::unique_ptr<Database> Database::create(const std::string& location, const std::function<void(Database&)>& seed,
                                           const std::string& password) {
    if (DatabaseLocation::isServer(location)) {
        std::unique_ptr<Connection> conn = PgConnection::connect(location, password);
        Connection& raw = *conn;
        std::unique_ptr<Database> db(new Database(std::move(conn), location));
        db->refuseTables();
        fill(*db, raw, seed);
        db.reset();
        return open(location, password);
    }
    namespace fs = std::filesystem;
    if (fs::exists(location))
        throw DbError("El archivo \"" + location + "\" ya existe.");
    const std::string temp = location + ".nuevo-" + std::to_string(::getpid());
    fs::remove(temp);
    try {
        std::unique_ptr<Connection> conn = SqliteConnection::open(temp, true);
        Connection& raw = *conn;
        std::unique_ptr<Database> db(new Database(std::move(conn), temp));
        fill(*db, raw, seed);
        db.reset();
        std::error_code ec;
        fs::rename(temp, location, ec);
        if (ec)
            throw DbError(ec.message() + ": \"" + location + "\"", DbError::kCantOpen);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
    return open(location);
}

void Database::checkServerTarget(const std::string& location, const std::string& password) {
    Database db(PgConnection::connect(location, password), location);
    db.refuseTables();
}

void Database::refuseTables() {
    const std::string shown = DatabaseLocation::withoutPassword(m_path);
    if (hasTable("Documentos") || hasTable(PgConnection::kMarkTable))
        throw DbError("La base de datos \"" + shown + "\" del servidor ya tiene tablas de Quintaleva 2.");
    // Another program's tables: the message that opening it gives.
    Statement any = prepare("SELECT 1 FROM pg_catalog.pg_tables WHERE schemaname = current_schema()");
    if (any.step())
        throw DbError("La base de datos \"" + shown + "\" del servidor no es una base de datos de Quintaleva 2.");
}

const Dialect& Database::dialect() const { return *m_conn; }

bool Database::exists(const std::string& sql, const std::string& name) {
    Statement st = prepare(sql);
    st.bind(1, name);
    return st.step();
}

bool Database::hasTable(const std::string& name) { return exists(m_conn->tableExistsSql(), name); }

bool Database::hasIndex(const std::string& name) { return exists(m_conn->indexExistsSql(), name); }

int Database::execute(const std::string& sql, const std::vector<DbValue>& params) {
    Statement st = prepare(sql);
    st.bindAll(params);
    return st.execute();
}

Statement Database::prepare(const std::string& sql) { return Statement(m_conn->prepare(sql)); }

std::int64_t Database::lastInsertId() const { return m_conn->lastInsertId(); }

void Database::checkStillThere() { m_conn->checkStillThere(); }

namespace {

class InsertEachRow final : public BulkBackend {
public:
    explicit InsertEachRow(Statement st) : m_st(std::move(st)) {}
    void add(const std::vector<DbValue>& row) override {
        m_st.reset();
        m_st.bindAll(row);
        m_st.execute();
    }
    void finish() override {}

private:
    Statement m_st;
};

} // namespace

std::unique_ptr<BulkBackend> Database::bulkInsert(const std::string& table, const std::vector<std::string>& columns) {
    if (std::unique_ptr<BulkBackend> own = m_conn->bulkInsert(table, columns))
        return own;
    std::string names, marks;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        names += (i ? ", \"" : "\"") + columns[i] + "\"";
        marks += i ? ", ?" : "?";
    }
    return std::make_unique<InsertEachRow>(prepare("INSERT INTO \"" + table + "\" (" + names + ") VALUES (" + marks + ")"));
}
