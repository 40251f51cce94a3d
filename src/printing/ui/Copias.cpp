#include "printing/ui/Copias.h"

std::optional<int> ReadCopias(const QString& text) {
    bool ok = false;
    const int copies = text.trimmed().toInt(&ok);
    if (!ok || copies < kMinCopias || copies > kMaxCopias)
        return std::nullopt;
    return copies;
}

QString CopiasRangeMessage() {
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(kMinCopias).arg(kMaxCopias);
}
