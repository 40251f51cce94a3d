#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/DbValue.h"

class Database;

// What every benchmark of a generated database shares: the file, made once with quintaleva-cli
// and kept under the build folder, and the memory figures of work run in a child process.
namespace BenchSetup {

// The generated database of `documents` documents (customers and articles as given), from
// bench-data/ beside the benchmark programs; generated there the first time (quintaleva-cli is
// found beside the programs' folder, or at $QUINTALEVA_CLI; 0 documents is a new, empty database).
// $QUINTALEVA_BENCH_DB names another file to use instead. Empty when there is none and it cannot
// be made.
std::string CachedDatabase(int documents, int customers = 10000, int articles = 2000);

// With $QUINTALEVA_BENCH_PG naming a PostgreSQL server (a URI to a maintenance database, as
// QUINTALEVA_TEST_PG for the tests), the benchmarks measure databases on that server.
bool OnServer();
// Where to measure the generated `file`: the file itself, or its copy on the server, made there
// once (database "qvb_" and the file's name, by the program's own copy) and reused by later runs.
std::string Location(const std::string& file);
// A new, empty database of ours for a benchmark that writes: a temporary file, or a new database
// on the server. DropScratch() removes it.
std::string ScratchDatabase(const std::string& name);
void DropScratch(const std::string& location);

// The floor on a server: `script` run by `psql -X` on `location` with \timing on; the sum of the
// statement times psql reports, in milliseconds (connecting and starting psql not included).
// Negative when psql failed.
double PsqlMilliseconds(const std::string& location, const std::string& script);
// Our SQL as the server is sent it (PgSql::translate), with each value in place of its "?" as a
// literal the server types by its place, as it types a bound parameter (empty text is Null).
std::string ServerSql(const std::string& sql, const std::vector<DbValue>& params = {});

// The document count a benchmark was asked for in $QUINTALEVA_BENCH_DOCUMENTOS, else `fallback`.
int DocumentsWanted(int fallback);

// Opens `path` (an older file gains its indexes here) and names it in the benchmark's context.
std::unique_ptr<Database> Open(const std::string& path);

// Resident memory of this process now, and its peak since the last ResetPeak(), in bytes
// (/proc/self/status VmRSS and VmHWM; 0 where there is no such file).
std::size_t ResidentBytes();
std::size_t PeakResidentBytes();
void ResetPeak();

// Runs `work` in a child process, so that its peak memory is its own and nothing it leaves
// behind affects the next measurement; the figures it returns come back to the caller. Empty
// when the child failed.
std::vector<double> InChild(const std::function<std::vector<double>()>& work);

inline double Megabytes(double bytes) { return bytes / (1024.0 * 1024.0); }

} // namespace BenchSetup
