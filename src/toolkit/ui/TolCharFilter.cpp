#include "toolkit/ui/TolCharFilter.h"

CTolCharFilter::CTolCharFilter(QObject* parent) : QValidator(parent) {}

void CTolCharFilter::setAccepted(const QString& characters) {
    m_accepted = characters;
    Q_EMIT changed();
}

QString CTolCharFilter::filtered(const QString& text, int* cursor) const {
    QString out;
    out.reserve(text.size());
    int newCursor = cursor ? *cursor : 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text.at(i);
        if (m_upperCase)
            c = c.toUpper();
        if (!m_accepted.isEmpty() && !m_accepted.contains(c)) {
            if (cursor && i < *cursor)
                --newCursor;
            continue;
        }
        out.append(c);
    }
    if (cursor)
        *cursor = newCursor;
    return out;
}

QValidator::State CTolCharFilter::validate(QString& input, int& pos) const {
    input = filtered(input, &pos);
    return Acceptable;
}
