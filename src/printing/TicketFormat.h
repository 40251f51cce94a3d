#pragma once

#include "printing/RenglonTicket.h"

#include <cstddef>
#include <vector>

// The ticket format: its rows in printing order, as stored in `Formatos.Detalle` (row count, then
// the rows; no class tags).
class CTicketFormat final {
public:
    using Bytes = std::vector<unsigned char>;

    std::vector<CRenglonTicket> Rows;

    // Replaces the rows with those of `bytes`. False for a damaged or truncated stream, which
    // leaves the rows unchanged.
    bool ReadStream(const unsigned char* data, std::size_t size);
    bool ReadStream(const Bytes& bytes) { return ReadStream(bytes.data(), bytes.size()); }
    Bytes WriteStream() const;

    friend bool operator==(const CTicketFormat&, const CTicketFormat&) = default;
};
