#pragma once

#include "config/OldDatabase.h"

#include <cstddef>
#include <cstdint>

// The answer of the reader process: the rows of a version 1.3 file, or why it was refused, in a
// length-prefixed little-endian form. The decoder trusts nothing: every length and count is checked
// against the bytes left before anything is allocated, and the answer must be used up exactly.
class COldDatabaseWire final {
public:
    using Bytes = COldDatabase::Bytes;

    enum class Outcome : std::uint8_t { Rows = 0, NotDatabase = 1, Damaged = 2, CannotOpen = 3 };

    static Bytes EncodeRows(const COldDatabase& old);
    static Bytes EncodeRefusal(Outcome why);

    // False for anything that is not one whole answer. On success `outcome` is set, and `old`
    // holds the rows when the outcome is Rows (and is left empty otherwise).
    static bool Decode(const unsigned char* data, std::size_t size, Outcome& outcome, COldDatabase& old);
};
