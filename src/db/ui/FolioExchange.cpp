#include "db/ui/FolioExchange.h"

#include "db/ValueFunctions.h"

#include <QLineEdit>

void FolioExchange(QLineEdit* edit, long& value, bool toControl, int width) {
    if (toControl)
        edit->setText(QString::fromStdString(NumberToPaddedText(value, static_cast<std::size_t>(width))));
    else
        value = ParseFolioText(edit->text().toStdString());
}
