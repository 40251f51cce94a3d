// The server's troubles as the operator meets them, on a server of the test's own: stopped in the
// middle of a save and started again, and the refusals of a server that knows why it refuses
// (a wrong password, a user without rights on the tables, a user that may only read). Each must
// name its own cause in Spanish, and the first action after the server is back must just work.
#include "db/Database.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "invoice/DocumentStore.h"
#include "platform/TerminalPassword.h"
#include "support/PrivateServer.h"
#include "support/QueryCount.h"

#include <gtest/gtest.h>

#include <libpq-fe.h>

#include <chrono>
#include <thread>

namespace {

std::vector<CPartida> twoLines() {
    std::vector<CPartida> lines(2);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        lines[i].Clave = "K" + std::to_string(i + 1);
        lines[i].Descripcion = "Artículo";
        lines[i].Precio = 10.0 * static_cast<double>(i + 1);
        lines[i].Cantidad = 1;
        lines[i].Recalculate();
    }
    return lines;
}

bool startsWith(const std::string& text, const std::string& lead) { return text.rfind(lead, 0) == 0; }


// The Spanish sentence a failed operation shows, for a DbError thrown by `operation`.
template <typename F>
std::string refusal(F&& operation) {
    try {
        operation();
    } catch (const DbError& e) {
        return DbErrorText(e);
    }
    return "(no error)";
}

class ServerTrouble : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!std::getenv("QUINTALEVA_TEST_PG") || !PrivateServer::available())
            return;
        server = new PrivateServer({"qv_clave"});
        admin("CREATE DATABASE qv TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'");
        Database::create(server->uri("qv"));
        admin("CREATE ROLE qv_clave LOGIN PASSWORD 'buena'");
        admin("CREATE ROLE qv_sin LOGIN");
        admin("CREATE ROLE qv_lee LOGIN");
        admin("ALTER ROLE qv_lee SET default_transaction_read_only = on");
        for (const char* role : {"qv_clave", "qv_lee"}) {
            admin(std::string("GRANT ALL ON ALL TABLES IN SCHEMA public TO ") + role, "qv");
            admin(std::string("GRANT ALL ON ALL SEQUENCES IN SCHEMA public TO ") + role, "qv");
        }
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        if (!server)
            GTEST_SKIP() << "needs QUINTALEVA_TEST_PG and the PostgreSQL server programs";
    }

    static void admin(const std::string& sql, const std::string& database = "postgres") {
        PGconn* conn = PQconnectdb(server->uri(database).c_str());
        PGresult* r = PQexec(conn, sql.c_str());
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        const std::string message = PQerrorMessage(conn);
        PQclear(r);
        PQfinish(conn);
        if (!ok)
            throw std::runtime_error(sql + ": " + message);
    }

    static PrivateServer* server;
};

PrivateServer* ServerTrouble::server = nullptr;

TEST_F(ServerTrouble, StoppedInTheMiddleOfASaveThenBack) {
    auto db = Database::open(server->uri("qv"));
    CDocumentStore store(*db);
    std::vector<CPartida> lines = twoLines();
    DocumentHeader h;
    h.nombre = "Caja uno";
    h.serie = "S";
    h.folio = 1;

    // The second line waits; meanwhile the server is stopped for maintenance.
    admin("CREATE FUNCTION espera() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF NEW.Renglon = 2 THEN "
          "PERFORM pg_sleep(30); END IF; RETURN NEW; END $$", "qv");
    admin("CREATE TRIGGER espera BEFORE INSERT ON Detalles FOR EACH ROW EXECUTE FUNCTION espera()", "qv");
    std::thread stopper([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        server->stop();
    });
    auto save = [&] { store.Save(h, lines, DocumentTotals::Of(lines), {}, std::nullopt); };
    const std::string midSave = refusal(save);
    stopper.join();
    // Saved again while the server is still down.
    const std::string whileDown = refusal(save);
    for (const std::string& text : {midSave, whileDown}) {
        EXPECT_TRUE(startsWith(text, "No se pudo comunicar con el servidor de la base de datos")) << text;
        EXPECT_NE(text.find("guárdelo de nuevo"), std::string::npos) << text;
    }
    EXPECT_NE(midSave.find("terminating connection due to administrator command"), std::string::npos) << midSave;
    EXPECT_EQ(midSave.find("CONTEXT"), std::string::npos) << "the technician's detail stays short: " << midSave;

    // Back: the first save reconnects and stores the document whole.
    server->start();
    admin("DROP TRIGGER espera ON Detalles", "qv");
    EXPECT_EQ(refusal(save), "(no error)");
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Detalles"), 2);

    // Restarted while the station sat idle: whatever the first statement is, even a write outside
    // a transaction, it goes to a new session instead of failing on the old one.
    server->stop();
    server->start();
    EXPECT_EQ(refusal([&] { db->execute("UPDATE General SET Postfijo = ?", {std::string("M.N.")}); }), "(no error)");
    server->stop();
    server->start();
    EXPECT_TRUE(store.FindStored("S", 1));
}

} // namespace

namespace {

TEST_F(ServerTrouble, EachRefusalNamesItsOwnCause) {
    const std::string withPassword = server->uri("qv", "qv_clave");
    EXPECT_NO_THROW(Database::open(withPassword, "buena"));

    // No password: asked for; a wrong one: refused as wrong, not as missing.
    try {
        Database::open(withPassword, "");
        ADD_FAILURE() << "opened without a password";
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbError::kAuth) << e.what();
    }
    const std::string wrong = refusal([&] { Database::open(withPassword, "mala"); });
    EXPECT_TRUE(startsWith(wrong, "El servidor de la base de datos no aceptó la contraseña")) << wrong;
    EXPECT_EQ(wrong.find("28P01"), std::string::npos) << wrong;

    // The command line with a wrong PGPASSWORD and no terminal: the password is wrong, not missing.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::setenv("PGPASSWORD", "mala", 1);
    const std::string cli = refusal([&] {
        TerminalPassword::open(withPassword, [&](const std::string& p) { return Database::open(withPassword, p); },
                               ends[0], ends[1]);
    });
    ::unsetenv("PGPASSWORD");
    ::close(ends[0]);
    ::close(ends[1]);
    EXPECT_TRUE(startsWith(cli, "El servidor de la base de datos no aceptó la contraseña")) << cli;
    EXPECT_EQ(cli.find("no hay una terminal"), std::string::npos) << cli;

    // A user the server does not know.
    const std::string unknown = refusal([&] { Database::open(server->uri("qv", "qv_nadie")); });
    EXPECT_TRUE(startsWith(unknown, "El servidor de la base de datos no deja entrar a este usuario")) << unknown;
    const std::string noDatabase = refusal([&] { Database::open(server->uri("qv_no_existe")); });
    EXPECT_TRUE(startsWith(noDatabase, "La base de datos no existe en el servidor")) << noDatabase;

    // Without rights on the tables: a database of ours all the same.
    const std::string denied = refusal([&] { Database::open(server->uri("qv", "qv_sin")); });
    EXPECT_TRUE(startsWith(denied, "El usuario no tiene permiso sobre las tablas")) << denied;
    EXPECT_EQ(denied.find("no es una base de datos de Quintaleva 2"), std::string::npos) << denied;

    // A user that may only read opens and reads; its save is refused as such, nothing stored.
    auto reader = Database::open(server->uri("qv", "qv_lee"));
    CDocumentStore store(*reader);
    std::vector<CPartida> lines = twoLines();
    DocumentHeader h;
    h.nombre = "Sólo lectura";
    h.serie = "L";
    h.folio = 1;
    EXPECT_FALSE(store.FindStored("L", 1));
    const std::string readOnly = refusal([&] { store.Save(h, lines, DocumentTotals::Of(lines), {}, std::nullopt); });
    EXPECT_TRUE(startsWith(readOnly, "El servidor de la base de datos sólo deja leer a este usuario")) << readOnly;
    EXPECT_EQ(readOnly.find("permisos del archivo"), std::string::npos) << readOnly;
    EXPECT_EQ(QueryCount(*reader, "SELECT count(*) FROM Documentos WHERE Serie = 'L'"), 0);
}

} // namespace
