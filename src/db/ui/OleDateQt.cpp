#include "db/ui/OleDateQt.h"

QDateTime ToQDateTime(OleDate date) {
    const auto c = date.split();
    if (!c)
        return {};
    return QDateTime(QDate(c->year, c->month, c->day), QTime(c->hour, c->minute, c->second));
}

OleDate FromQDateTime(const QDateTime& dt) {
    if (!dt.isValid())
        return OleDate{};
    const QDate d = dt.date();
    const QTime t = dt.time();
    return OleDate::fromDate(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}
