#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Database;

// What every benchmark of a generated database shares: the file, made once with quintaleva-cli
// and kept under the build folder, and the memory figures of work run in a child process.
namespace BenchSetup {

// The generated database of `documents` documents (customers and articles as given), from
// bench-data/ beside the benchmark programs; generated there the first time (quintaleva-cli is
// found beside the programs' folder, or at $QUINTALEVA_CLI). $QUINTALEVA_BENCH_DB names another
// file to use instead. Empty when there is none and it cannot be made.
std::string CachedDatabase(int documents, int customers = 10000, int articles = 2000);

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
