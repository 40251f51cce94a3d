#pragma once

#include "invoice/MoneyFormat.h"

class QLocale;

// The currency format of a locale; Mexican pesos for a locale without a currency (C, POSIX).
MoneyFormat LocaleMoneyFormat(const QLocale& locale);
