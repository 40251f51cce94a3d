// A server's password asked on the terminal quintaleva-cli runs on: no echo, the terminal left as
// it was, one more try after a wrong one, and a clear message where there is no terminal.
#include "db/Database.h"
#include "db/DbError.h"
#include "platform/TerminalPassword.h"
#include "support/PseudoTerminal.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

namespace {

const std::string kServer = "postgresql://cajera@tienda.local:5432/negocio";
const std::string kPrompt = "Contraseña de cajera en tienda.local: ";
constexpr auto kPatience = std::chrono::seconds(30);

// The terminal a command runs on: the test types on the master side and reads what the
// command's side shows.
class Terminal : public ::testing::Test {
protected:
    void SetUp() override {
        slave = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave, 0);
    }
    void TearDown() override {
        if (slave >= 0)
            ::close(slave);
    }

    // Waits until `text` is shown (or half a minute passes on a loaded machine); what was shown
    // until then.
    std::string waitFor(const std::string& text) {
        std::string shown;
        const auto end = std::chrono::steady_clock::now() + kPatience;
        while (shown.find(text) == std::string::npos && std::chrono::steady_clock::now() < end)
            shown += pty.read(50);
        return shown;
    }

    PseudoTerminal pty;
    int slave = -1;
};

std::unique_ptr<Database> refuse(const std::string&) {
    throw DbError("fe_sendauth: no password supplied", DbError::kAuth);
}

TEST_F(Terminal, PasswordIsReadWithoutEchoAndTheTerminalIsLeftAsItWas) {
    auto typed = std::async(std::launch::async, [&] { return TerminalPassword::readHidden(slave, slave, "Clave: "); });
    std::string shown = waitFor("Clave: ");
    ASSERT_NE(shown.find("Clave: "), std::string::npos) << shown;
    pty.write("s3creto ñ\n");
    ASSERT_EQ(typed.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(typed.get(), std::optional<std::string>("s3creto ñ"));
    shown += pty.read(100);
    EXPECT_EQ(shown.find("s3creto"), std::string::npos) << shown;

    // Echo is back afterwards: what is typed now shows, as it would have shown above.
    termios now{};
    ASSERT_EQ(::tcgetattr(slave, &now), 0);
    EXPECT_TRUE(now.c_lflag & ECHO);
    pty.write("visible\n");
    EXPECT_NE(waitFor("visible").find("visible"), std::string::npos);

    // The end of input is no password, not an empty one.
    auto ended = std::async(std::launch::async, [&] { return TerminalPassword::readHidden(slave, slave, "Clave: "); });
    waitFor("Clave: ");
    pty.write(std::string(1, '\x04'));  // Ctrl+D on an empty line
    ASSERT_EQ(ended.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(ended.get(), std::nullopt);
}

TEST_F(Terminal, AWrongPasswordIsAskedOnceMoreAndNeverShown) {
    std::vector<std::string> tried;
    auto attempt = [&](const std::string& password) -> std::unique_ptr<Database> {
        tried.push_back(password);
        if (password != "buena")
            throw DbError("password authentication failed for user \"cajera\"", DbError::kAuth);
        return nullptr;
    };
    auto opened = std::async(std::launch::async, [&] { return TerminalPassword::open(kServer, attempt, slave, slave); });
    std::string shown = waitFor(kPrompt);
    ASSERT_NE(shown.find(kPrompt), std::string::npos) << shown;
    pty.write("mala\n");
    // Typing waits for the second prompt, not the message before it: the prompt comes after echo
    // is turned off, which discards anything typed sooner.
    const std::string again = waitFor(kPrompt);
    ASSERT_NE(again.find("La contraseña no es correcta; intente de nuevo."), std::string::npos) << again;
    ASSERT_NE(again.find(kPrompt), std::string::npos) << again;
    shown += again;
    pty.write("buena\n");
    ASSERT_EQ(opened.wait_for(kPatience), std::future_status::ready);
    EXPECT_NO_THROW(opened.get());
    EXPECT_EQ(tried, (std::vector<std::string>{"", "mala", "buena"}));
    shown += pty.read(100);
    EXPECT_EQ(shown.find("mala"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("buena"), std::string::npos) << shown;

    // Two wrong ones: the server's refusal stands.
    tried.clear();
    auto refused = std::async(std::launch::async, [&] { return TerminalPassword::open(kServer, attempt, slave, slave); });
    ASSERT_NE(waitFor(kPrompt).find(kPrompt), std::string::npos);
    pty.write("uno\n");
    ASSERT_NE(waitFor(kPrompt).find(kPrompt), std::string::npos);
    pty.write("dos\n");
    ASSERT_EQ(refused.wait_for(kPatience), std::future_status::ready);
    try {
        refused.get();
        ADD_FAILURE() << "accepted";
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbError::kAuth);
    }
    EXPECT_EQ(tried.size(), 3u);
}

TEST(TerminalPassword, WithoutATerminalTheMessageSaysWhereThePasswordGoes) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    int calls = 0;
    try {
        TerminalPassword::open(kServer, [&](const std::string& p) { ++calls; return refuse(p); }, pipeEnds[0], pipeEnds[1]);
        ADD_FAILURE() << "opened";
    } catch (const DbError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("~/.pgpass"), std::string::npos) << message;
        EXPECT_NE(message.find("PGPASSWORD"), std::string::npos) << message;
        EXPECT_NE(message.find("cajera"), std::string::npos) << message;
        EXPECT_NE(message.find("tienda.local"), std::string::npos) << message;
        EXPECT_NE(message.find("fe_sendauth: no password supplied"), std::string::npos) << message;
    }
    EXPECT_EQ(calls, 1);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

TEST(TerminalPassword, OnlyAServerWithoutAPasswordOfItsOwnIsAskedAbout) {
    // A file, a URI that carries its password, and a refusal of another kind are not asked about.
    for (const std::string& location : {std::string("/tmp/tienda.mdb"), std::string("postgresql://cajera:x@tienda/negocio"),
                                        std::string("postgresql://cajera@tienda/negocio?password=x")}) {
        int calls = 0;
        EXPECT_THROW(TerminalPassword::open(location, [&](const std::string& p) { ++calls; return refuse(p); }, -1, -1),
                     DbError)
            << location;
        EXPECT_EQ(calls, 1) << location;
    }
    EXPECT_THROW(TerminalPassword::open(kServer, [](const std::string&) -> std::unique_ptr<Database> {
        throw DbError("could not connect to server", DbError::kServer);
    }), DbError);

    // The user and host named are those libpq uses, the URI's first, its parameters too.
    EXPECT_EQ(TerminalPassword::prompt("postgresql:///negocio?host=/run/postgresql&user=ana"),
              "Contraseña de ana en localhost: ");
    EXPECT_EQ(TerminalPassword::prompt("postgresql://luis@[::1]:5433/negocio"), "Contraseña de luis en ::1: ");
}

} // namespace
