#pragma once

class QString;

// Currency text typed by the operator as the regional format reads it ("$1,240.00", "1240",
// "1,240.5"), rounded to four decimals. Text that cannot be read shows "Please enter a currency."
// and gives 0.
double ParseMoney(const QString& text);
