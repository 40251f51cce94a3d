#pragma once

#include <exception>
#include <string>

class DbError;

// What the operator reads for a failed operation: for a database error a Spanish sentence that
// says what happened and what to do, then the engine's own text for the technician. A text of
// ours (DbError code 0, or another exception) is already written for the operator and comes back
// as it is.
std::string DbErrorText(const std::exception& error);

// True when a server asked for a password or refused the one given: asking for it can help.
bool IsDbPasswordRefused(const DbError& error);

// True when the database was busy with another program or station: trying again later can work.
bool IsDbBusy(const DbError& error);

// True when the operation met another station's work (busy, or a unique key it stored first):
// nothing was written, and doing it again on what is stored now can succeed.
bool IsDbConflict(const DbError& error);
