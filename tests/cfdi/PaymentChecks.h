#pragma once

#include <string>

// What a PAC checks of a payment CFDI (type "P") before stamping it: the Pagos 2.0 schema, and
// the arithmetic the SAT's validation matrix asks for — balances, each tax against its base and
// rate, the payment's summary against its documents, the totals against the summary. Empty when
// it holds; otherwise the first problem, in the PAC's words.
std::string PaymentProblems(const std::string& cfdi);
