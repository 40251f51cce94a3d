// A seeded mutation run over the reader of version 1.3 databases, each damaged copy read the way
// the program reads it: in a child process (this same executable in its reader mode) under the
// program's time limit. The copies: the sample file with bytes changed in its pages, pages set to
// extremes, zeroed, swapped or cut off, and files of random pages behind a Jet header. Every copy
// must be read or refused with a message within the limit (a copy that makes libmdb loop is a
// refusal at the limit, never a hang), and the sanitizers watch both the reader and the decoder of
// its answer, which is also fed damaged answers directly.
// Usage: olddb_mutation <file.mdb> [inputs]; olddb_mutation --lector <file> (the child).
#include "config/OldDatabaseProcess.h"
#include "config/OldDatabaseWire.h"
#include "support/LoopingOldFile.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

using Bytes = COldDatabase::Bytes;
constexpr std::size_t kPage = 4096;

Bytes Mutate(const Bytes& seed, int i, std::mt19937& rng) {
    Bytes b = seed;
    const std::size_t pages = b.size() / kPage;
    switch (i % 8) {
    case 0: // a few bytes anywhere past the header page
    case 1: {
        const int n = 1 + static_cast<int>(rng() % 20);
        for (int k = 0; k < n; ++k)
            b[kPage + rng() % (b.size() - kPage)] = static_cast<unsigned char>(rng());
        break;
    }
    case 2: { // bytes of one page set to extremes, where lengths and offsets live
        const std::size_t p = 1 + rng() % (pages - 1);
        for (int k = 0; k < 8; ++k)
            b[p * kPage + rng() % kPage] = (rng() & 1) ? 0xFF : 0x00;
        break;
    }
    case 3: // whole pages cut off the end
        b.resize(kPage * (2 + rng() % (pages - 2)));
        break;
    case 4: { // one page zeroed, or a copy of another
        const std::size_t to = 1 + rng() % (pages - 1), from = rng() % pages;
        for (std::size_t k = 0; k < kPage; ++k)
            b[to * kPage + k] = (rng() & 1) ? b[from * kPage + k] : 0;
        break;
    }
    case 5: // the catalog's pages, where libmdb is least careful
        for (int k = 0; k < 6; ++k)
            b[2 * kPage + rng() % (2 * kPage)] = static_cast<unsigned char>(rng());
        break;
    case 6: // the sample's header page before pages of noise
        for (std::size_t k = kPage; k < b.size(); ++k)
            b[k] = (k / kPage) % 2 ? static_cast<unsigned char>(rng()) : 0;
        break;
    case 7: { // the catalog row with properties taken for a table, bytes of its properties changed
        constexpr std::size_t kRow = 14 * kPage + 0xADF, kProps = 14 * kPage + 0xB25, kPropsEnd = 14 * kPage + 0xB82;
        b[kRow + 10] = 0x01;
        b[kRow + 11] = 0x00;
        for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k)
            b[kProps + rng() % (kPropsEnd - kProps)] = static_cast<unsigned char>(rng());
        break;
    }
    }
    return b;
}

bool Write(const std::string& path, const Bytes& b) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(out);
}

// Damaged answers straight into the decoder: every cut, and bytes changed anywhere.
int FuzzDecoder(const Bytes& answer, std::mt19937& rng) {
    COldDatabaseWire::Outcome outcome{};
    COldDatabase old;
    for (std::size_t n = 0; n < answer.size(); ++n)
        if (COldDatabaseWire::Decode(answer.data(), n, outcome, old))
            return std::fprintf(stderr, "an answer cut to %zu bytes decoded\n", n), 1;
    for (int i = 0; i < 20000; ++i) {
        Bytes b = answer;
        for (int k = 1 + static_cast<int>(rng() % 4); k > 0; --k)
            b[rng() % b.size()] = static_cast<unsigned char>(rng() % 3 == 0 ? 0xFF : rng());
        COldDatabaseWire::Decode(b.data(), b.size(), outcome, old);
    }
    return 0;
}

// A fault inside libmdb itself (the system's, not instrumented) that the child died of: contained,
// so a clean refusal for the operator. Anything the sanitizers catch in our own code is not.
// The faulting frames above our own code are libmdb's, or the C library's it called (iconv with a
// length read from the damaged file).
bool CrashedInLibmdb(const std::string& error) {
    const std::size_t top = error.find("#0 ");
    if (error.find("DEADLYSIGNAL") == std::string::npos || top == std::string::npos)
        return false;
    const std::size_t ours = error.find("COldDatabase", top);
    return error.substr(top, ours == std::string::npos ? std::string::npos : ours - top).find("libmdb.so") !=
           std::string::npos;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--lector")
        ::_exit(COldDatabaseProcess::Serve(argv[2], 3));
    if (argc < 2) {
        std::fprintf(stderr, "usage: olddb_mutation <file.mdb> [inputs]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const Bytes seed{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const int inputs = argc > 2 ? std::atoi(argv[2]) : 700;

    COldDatabaseProcess::Options options;
    options.program = std::filesystem::read_symlink("/proc/self/exe").string();
    options.arguments = {"--lector"};
    char folder[] = "/tmp/olddb-mutation-XXXXXX";
    if (!::mkdtemp(folder))
        return std::perror("mkdtemp"), 1;
    const std::string file = std::string(folder) + "/copia.mdb";

    int status = 0;
    {
        COldDatabase old;
        COldDatabaseProcess reader;
        if (!Write(file, seed) || !reader.Read(file, old, {}, options) || old.Articles.size() != 12) {
            std::fprintf(stderr, "the sample file does not read: %s\n", reader.Error().c_str());
            status = 1;
        } else {
            std::mt19937 rng(7);
            status = FuzzDecoder(COldDatabaseWire::EncodeRows(old), rng);
        }
    }

    // The file known to make libmdb loop: refused at the limit, not a hang.
    {
        const std::string looping = WriteLoopingOldFile(argv[1], std::string(folder) + "/bucle.mdb");
        COldDatabase old;
        COldDatabaseProcess reader;
        const auto start = std::chrono::steady_clock::now();
        if (reader.Read(looping, old, {}, options) || reader.Error().find("no terminó") == std::string::npos ||
            std::chrono::steady_clock::now() - start > std::chrono::seconds(6)) {
            std::fprintf(stderr, "the looping file was not refused at the limit: %s\n", reader.Error().c_str());
            status = 1;
        }
    }

    std::mt19937 rng(20261207);
    int accepted = 0, timedOut = 0, crashed = 0;
    for (int i = 0; i < inputs && status == 0; ++i) {
        const Bytes b = Mutate(seed, i, rng);
        if (!Write(file, b)) {
            status = 1;
            break;
        }
        const int limitMs = COldDatabaseProcess::TimeLimitMs(b.size());
        const auto start = std::chrono::steady_clock::now();
        COldDatabase old;
        COldDatabaseProcess reader;
        const bool read = reader.Read(file, old, {}, options);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        if (ms > limitMs + 2000) {
            std::fprintf(stderr, "input %d took %lld ms, past its limit of %d ms\n", i, static_cast<long long>(ms), limitMs);
            status = 1;
        } else if (read) {
            ++accepted;
        } else if (reader.Error().empty()) {
            std::fprintf(stderr, "input %d refused without a message\n", i);
            status = 1;
        } else if (reader.Error().find("no terminó") != std::string::npos) {
            ++timedOut;
            std::printf("input %d: refused at the time limit\n", i);
        } else if (CrashedInLibmdb(reader.Detail())) {
            ++crashed;
        } else if (reader.Detail().find("Sanitizer") != std::string::npos ||
                   reader.Detail().find("runtime error") != std::string::npos) {
            // The child is contained, but what the sanitizers report in our code is a finding.
            std::fprintf(stderr, "input %d: %s\n", i, reader.Detail().c_str());
            status = 1;
        }
    }
    std::filesystem::remove_all(folder);
    if (status == 0)
        std::printf("%d inputs, %d read, %d refused (%d at the time limit, %d by a crash inside libmdb)\n", inputs,
                    accepted, inputs - accepted, timedOut, crashed);
    return status;
}
