#pragma once

#include "db/OleDate.h"

#include <QDateTime>

// Between the database's automation dates and Qt's, keeping the time of day.
QDateTime ToQDateTime(OleDate date);
OleDate FromQDateTime(const QDateTime& dateTime);
