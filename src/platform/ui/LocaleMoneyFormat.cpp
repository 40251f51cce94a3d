#include "platform/ui/LocaleMoneyFormat.h"

#include <QLocale>

MoneyFormat LocaleMoneyFormat(const QLocale& locale) {
    const QString symbol = locale.currencySymbol(QLocale::CurrencySymbol);
    if (symbol.isEmpty() || locale.language() == QLocale::C)
        return MoneyFormat::mexican();
    MoneyFormat f;
    f.symbol = symbol.toStdString();
    f.decimalPoint = locale.decimalPoint().toStdString();
    f.groupSeparator = locale.groupSeparator().toStdString();
    f.decimals = 2;
    // Where the symbol goes, and whether a blank separates it, as the locale writes 1.
    const QString one = locale.toCurrencyString(1.0);
    f.symbolFirst = one.startsWith(symbol);
    f.symbolSpace = f.symbolFirst ? one.mid(symbol.size(), 1).trimmed().isEmpty()
                                  : one.left(one.size() - symbol.size()).endsWith(QChar::Space) ||
                                        one.left(one.size() - symbol.size()).endsWith(QChar(0xA0));
    return f;
}
