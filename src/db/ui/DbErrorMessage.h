#pragma once

#include <exception>

// Shows the failure of a database operation to the operator through TolMessage: a DbError in the
// words of DbErrorText (a Spanish sentence, then the engine's text), any other exception's text
// as it is. With `retry` and a busy database the box offers "Reintentar" and "Cancelar"; true
// when the operator chose "Reintentar". With `retryLost` too a connection to the server that was
// lost offers it, for callers that check what got stored before they write again.
bool ShowDbError(const std::exception& error, bool retry = false, bool retryLost = false);
