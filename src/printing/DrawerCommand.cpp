#include "printing/DrawerCommand.h"

namespace {
bool isSeparator(char c) {
    switch (c) {
    case ',': case '.': case '-': case '+': case '*': case '/':
    case ' ': case '\t': case '\r': case '\n':
        return true;
    default:
        return false;
    }
}
} // namespace

std::string DrawerCommandBytes(std::string_view command) {
    std::string bytes;
    std::size_t i = 0;
    while (i < command.size()) {
        while (i < command.size() && isSeparator(command[i]))
            ++i;
        if (i == command.size())
            break;
        // Arithmetic modulo 256 keeps the low byte of any number of digits without overflow.
        unsigned value = 0;
        while (i < command.size() && command[i] >= '0' && command[i] <= '9')
            value = (value * 10 + unsigned(command[i++] - '0')) & 0xFFu;
        while (i < command.size() && !isSeparator(command[i]))
            ++i;
        bytes += static_cast<char>(value);
    }
    return bytes;
}
