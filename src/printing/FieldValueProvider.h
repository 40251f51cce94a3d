#pragma once

#include <cstdint>
#include <string>

// Where the printed text of a datum comes from. The print job implements it over the document
// being printed and the detail line it is printing (CDocumentValues does the tables for it);
// format elements and ticket rows ask it for each of their fields.
class CFieldValueProvider {
public:
    virtual ~CFieldValueProvider() = default;

    // The document datum `index` (field kind 2) as printed; "" for an index outside the table.
    virtual std::string DocumentValue(std::int32_t index) const = 0;
    // The detail datum `index` (field kind 3) of the current detail line; "" for an index outside
    // the table or when no line is current.
    virtual std::string DetailValue(std::int32_t index) const = 0;
};
