#include "platform/ui/ParseMoney.h"

#include "invoice/MoneyText.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QString>

double ParseMoney(const QString& text) {
    if (const auto value = TryParseMoney(text.toStdString()))
        return *value;
    TolMessage(QStringLiteral("Please enter a currency."));
    return 0.0;
}
