#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The paper a format is laid out on, in 0.1 mm. The stream does not carry it: the designer
// shows the sheet at this size and keeps elements on it.
struct SheetSize final {
    std::string name;
    std::int32_t width = 2159;  // letter
    std::int32_t height = 2794;

    // Carta, Oficio, A4 and Media carta, in that order; the first is the default.
    static const std::vector<SheetSize>& Standard();
    // The standard paper called `name`, else letter.
    static SheetSize Named(const std::string& name);

    friend bool operator==(const SheetSize&, const SheetSize&) = default;
};
