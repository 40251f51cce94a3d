#pragma once

#include <QString>

class QWidget;

// Starts the format designer `lantorela` from the program's own folder as a separate process on
// the database `databasePath`, without waiting for it. When it cannot start, says so.
bool StartDesigner(const QString& databasePath);
// The same with the designer's path given (tests).
bool StartDesigner(const QString& program, const QString& databasePath);
