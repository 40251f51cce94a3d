// A seeded mutation run over the reader of version 1.3 databases: the sample file with bytes
// changed in its pages, runs of pages zeroed, and cut short. The reader must refuse or read every
// input without an overread; the sanitizers report any. Usage: olddb_mutation <file.mdb> [inputs].
#include "config/OldDatabase.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: olddb_mutation <file.mdb> [inputs]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const COldDatabase::Bytes seed{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const int inputs = argc > 2 ? std::atoi(argv[2]) : 300;
    {
        COldDatabase old;
        if (!old.ReadBytes(seed) || old.Articles.size() != 12) {
            std::fprintf(stderr, "the sample file does not read: %s\n", old.Error().c_str());
            return 1;
        }
    }
    std::mt19937 rng(20261207);
    const std::size_t page = 4096;
    int accepted = 0;
    for (int i = 0; i < inputs; ++i) {
        COldDatabase::Bytes b = seed;
        switch (i % 4) {
        case 0: // a few bytes anywhere past the header page
        case 1: {
            const int n = 1 + static_cast<int>(rng() % 16);
            for (int k = 0; k < n; ++k)
                b[page + rng() % (b.size() - page)] = static_cast<unsigned char>(rng());
            break;
        }
        case 2: { // bytes of one page set to extremes, where lengths and offsets live
            const std::size_t p = 1 + rng() % (b.size() / page - 1);
            for (int k = 0; k < 8; ++k)
                b[p * page + rng() % page] = (rng() & 1) ? 0xFF : 0x00;
            break;
        }
        case 3: // whole pages cut off the end
            b.resize(page * (2 + rng() % (b.size() / page - 2)));
            break;
        }
        COldDatabase old;
        if (old.ReadBytes(b))
            ++accepted;
        else if (old.Error().empty())
            return std::fprintf(stderr, "input %d refused without a message\n", i), 1;
    }
    std::printf("%d inputs, %d read, %d refused\n", inputs, accepted, inputs - accepted);
    return 0;
}
