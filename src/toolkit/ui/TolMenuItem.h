#pragma once

#include <QString>

// One choice of a menu button: the text shown in the popup list and the command id posted to the
// button's owner when it is chosen.
struct TolMenuItem final {
    int id = 0;
    QString text;
};
