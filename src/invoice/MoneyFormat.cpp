#include "invoice/MoneyFormat.h"

namespace {
MoneyFormat& instance() {
    static MoneyFormat format;
    return format;
}
} // namespace

const MoneyFormat& MoneyFormat::current() { return instance(); }

void MoneyFormat::setCurrent(const MoneyFormat& format) { instance() = format; }
