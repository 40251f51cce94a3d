#include "config/Import13.h"
#include "config/OldDatabase.h"
#include "config/OldDatabaseProcess.h"
#include "config/OldDatabaseWire.h"
#include "db/Database.h"
#include "support/LoopingOldFile.h"
#include "support/ScratchDir.h"
#include "support/QueryCount.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

// The import's reader program of the build tree, unless the run names another.
const bool kReaderProgram = [] { return ::setenv(COldDatabaseProcess::kProgramEnv, QUINTALEVA_LECTOR13_PATH, 0) == 0; }();

const std::string kFixture =
    (std::filesystem::path(QUINTALEVA_FIXTURES) / "v13" / "ejemplo.mdb").string();

std::string LoopingFile(const ScratchDir& dir) { return WriteLoopingOldFile(kFixture, dir.file("bucle.mdb")); }

long long MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

} // namespace

TEST(OldDatabaseProcess, ReadsWhatTheReaderReadsInProcess) {
    COldDatabase here, there;
    ASSERT_TRUE(here.Read(kFixture));
    COldDatabaseProcess reader;
    ASSERT_TRUE(reader.Read(kFixture, there)) << reader.Error();
    EXPECT_EQ(COldDatabaseWire::EncodeRows(there), COldDatabaseWire::EncodeRows(here));
    EXPECT_EQ(there.Articles[7].Precio, 98.4);
    EXPECT_EQ(there.Formats[0].Detalle, here.Formats[0].Detalle);

    // The operator's messages of the reader come back as they were.
    ScratchDir dir;
    const std::string text = dir.file("texto.mdb");
    ScratchDir::writeAll(text, "no soy una base de datos");
    EXPECT_FALSE(reader.Read(text, there));
    EXPECT_EQ(reader.Error(), COldDatabase::kMsgNotDatabase);
    EXPECT_FALSE(reader.Read(dir.file("no-existe.mdb"), there));
    EXPECT_EQ(reader.Error(), "No se pudo abrir el archivo " + dir.file("no-existe.mdb"));
    EXPECT_TRUE(there.Articles.empty());
}

TEST(OldDatabaseProcess, DecoderRefusesCutAndLyingAnswers) {
    COldDatabase old;
    ASSERT_TRUE(old.Read(kFixture));
    const COldDatabaseWire::Bytes whole = COldDatabaseWire::EncodeRows(old);
    COldDatabaseWire::Outcome outcome{};
    COldDatabase back;
    ASSERT_TRUE(COldDatabaseWire::Decode(whole.data(), whole.size(), outcome, back));
    EXPECT_EQ(outcome, COldDatabaseWire::Outcome::Rows);
    EXPECT_EQ(back.Customers[6].Nombre, "Ángela Güemes de la Torre");

    COldDatabaseWire::Bytes longer = whole;
    longer.push_back(0);
    EXPECT_FALSE(COldDatabaseWire::Decode(longer.data(), longer.size(), outcome, back));
    EXPECT_TRUE(back.Articles.empty());
    EXPECT_FALSE(COldDatabaseWire::Decode(whole.data(), whole.size() - 1, outcome, back));

    // Counts and lengths near 2^32 in a short answer: refused before anything is allocated.
    COldDatabaseWire::Bytes lie = {'Q', 'V', '1', '3', 0, 130, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(COldDatabaseWire::Decode(lie.data(), lie.size(), outcome, back));
    lie = {'Q', 'V', '1', '3', 0, 130, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F};
    lie.resize(lie.size() + 40, 0);
    EXPECT_FALSE(COldDatabaseWire::Decode(lie.data(), lie.size(), outcome, back));
    lie = {'Q', 'V', '1', '3', 9};
    EXPECT_FALSE(COldDatabaseWire::Decode(lie.data(), lie.size(), outcome, back));
}

TEST(OldDatabaseProcess, AFileThatMakesLibmdbLoopIsRefusedWithinTheLimitAndWritesNothing) {
    ScratchDir dir;
    const std::string looping = LoopingFile(dir);
    const int limit = COldDatabaseProcess::TimeLimitMs(std::filesystem::file_size(looping));
    EXPECT_EQ(limit, 4000); // 3 s, and 1 s for each MB begun
    EXPECT_EQ(COldDatabaseProcess::TimeLimitMs(50u << 20), 53000);

    TestDatabase target;
    auto db = target.create();
    const std::int64_t taxes = RowCount(*db, "Impuestos");
    // The same steady clock the limit is kept with, unrounded: the child may not be stopped before it.
    const auto start = std::chrono::steady_clock::now();
    const CImport13::Result r = CImport13::Run(*db, looping);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(StartsWith(r.message, COldDatabaseProcess::kMsgUnreadable)) << r.message;
    EXPECT_NE(r.message.find("no terminó en " + std::to_string(limit / 1000) + " s"), std::string::npos) << r.message;
    EXPECT_GE(took, std::chrono::milliseconds(limit));
    EXPECT_LT(took, std::chrono::milliseconds(limit + 10000)); // ended at the limit, with room for a loaded machine
    EXPECT_EQ(RowCount(*db, "Articulos"), 0);
    EXPECT_EQ(RowCount(*db, "Clientes"), 0);
    EXPECT_EQ(RowCount(*db, "Formatos"), 0);
    EXPECT_EQ(RowCount(*db, "Impuestos"), taxes);
}

TEST(OldDatabaseProcess, AChildKilledOrCancelledMidReadIsACleanRefusal) {
    ScratchDir dir;
    const std::string looping = LoopingFile(dir);

    // Killed by hand: the same refusal, naming the signal for the technician.
    pid_t child = -1;
    COldDatabaseProcess::Options options;
    options.started = [&](pid_t pid) { child = pid; };
    int polls = 0;
    COldDatabase old;
    COldDatabaseProcess reader;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(reader.Read(looping, old, [&] {
        if (++polls == 3)
            ::kill(child, SIGKILL);
        return false;
    }, options));
    EXPECT_LT(MsSince(start), COldDatabaseProcess::TimeLimitMs(std::filesystem::file_size(looping)))
        << "the kill, not the limit, should have ended it";
    EXPECT_FALSE(reader.Cancelled());
    EXPECT_TRUE(StartsWith(reader.Error(), COldDatabaseProcess::kMsgUnreadable)) << reader.Error();
    EXPECT_NE(reader.Error().find("señal 9"), std::string::npos) << reader.Error();
    EXPECT_TRUE(old.Articles.empty());
    EXPECT_NE(::kill(child, 0), 0); // reaped, not left a zombie

    // "Cancelar" on the progress dialog: the import ends at once, nothing written.
    TestDatabase target;
    auto db = target.create();
    polls = 0;
    const CImport13::Result r = CImport13::Run(*db, looping, {}, [&] { return ++polls > 5; });
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.message, CImport13::kMsgCancelled);
    EXPECT_EQ(RowCount(*db, "Articulos"), 0);

    // Cancelled while the rows are written: rolled back.
    int rows = 0;
    const CImport13::Result late = CImport13::Run(*db, kFixture, {}, [&] { return ++rows > 15; });
    EXPECT_TRUE(late.cancelled);
    EXPECT_EQ(RowCount(*db, "Articulos"), 0);
    EXPECT_EQ(RowCount(*db, "Clientes"), 0);
}

TEST(OldDatabaseProcess, WhatTheChildPrintsOrAnswersBadlyStaysInTheTechniciansDetail) {
    // A child that prints libmdb-like warnings, then answers with a lie: refused, the noise kept.
    COldDatabaseProcess::Options options;
    options.program = "/bin/sh";
    options.arguments = {"-c", "echo 'Warning: mdb_col_to_string called on unsupported data type 0'; "
                               "printf 'QV13\\000\\202\\000\\000\\000\\377\\377\\377\\377' >&3",
                         "sh"};
    COldDatabase old;
    COldDatabaseProcess reader;
    EXPECT_FALSE(reader.Read(kFixture, old, {}, options));
    EXPECT_TRUE(StartsWith(reader.Error(), std::string(COldDatabaseProcess::kMsgUnreadable) + "\n\nDetalle técnico: "))
        << reader.Error();
    EXPECT_NE(reader.Error().find("mal formada; Warning: mdb_col_to_string"), std::string::npos) << reader.Error();

    // The same warning printed for every value: once, with its count, and the detail kept short.
    options.arguments = {"-c", "for i in $(seq 60); do echo 'Warning: mdb_col_to_string called on unsupported data type 0.'; "
                               "done; echo 'otra linea'; echo 'Warning: mdb_col_to_string called on unsupported data type 0.'; "
                               "printf 'QV13\\000\\202\\000\\000\\000\\377\\377\\377\\377' >&3",
                         "sh"};
    EXPECT_FALSE(reader.Read(kFixture, old, {}, options));
    const std::string detail = reader.Error().substr(reader.Error().find("Detalle técnico: ") + 18);
    EXPECT_EQ(detail, "respuesta del lector incompleta o mal formada; Warning: mdb_col_to_string called on "
                      "unsupported data type 0. (61 veces) otra linea");
    options.arguments = {"-c", "for i in $(seq 40); do echo \"aviso distinto $i de una lista larga\"; done; exit 3", "sh"};
    EXPECT_FALSE(reader.Read(kFixture, old, {}, options));
    const std::string longDetail = reader.Error().substr(reader.Error().find("Detalle técnico: ") + 18);
    EXPECT_EQ(longDetail.size(), 300u) << longDetail;
    EXPECT_EQ(longDetail.substr(297), "...");

    // A child that dies of a crash, and one that never writes nor ends.
    options.arguments = {"-c", "kill -SEGV $$", "sh"};
    EXPECT_FALSE(reader.Read(kFixture, old, {}, options));
    EXPECT_NE(reader.Error().find("señal 11"), std::string::npos) << reader.Error();
    options.arguments = {"-c", "exec sleep 30", "sh"};
    options.limitMs = 300;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(reader.Read(kFixture, old, {}, options));
    EXPECT_LT(MsSince(start), 2000);
    EXPECT_NE(reader.Error().find("no terminó"), std::string::npos) << reader.Error();

    // No reader program where it should be.
    options = {};
    options.program = "/nonexistent/quintaleva-lector13";
    EXPECT_FALSE(reader.Read(kFixture, old, {}, options));
    EXPECT_TRUE(StartsWith(reader.Error(), "No se pudo iniciar el lector")) << reader.Error();
}
