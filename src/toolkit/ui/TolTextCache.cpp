#include "toolkit/ui/TolTextCache.h"

#include <QCoreApplication>
#include <QPainter>
#include <QRect>

namespace {

constexpr int kPlainFlags = Qt::AlignHorizontal_Mask | Qt::AlignTop | Qt::TextSingleLine;
constexpr qsizetype kLongest = 512;

// QPainter lays out tabs, line breaks and such itself.
bool plainLine(const QString& text) {
    if (text.size() > kLongest)
        return false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7f || u == 0x2028 || u == 0x2029)
            return false;
    }
    return true;
}

} // namespace

QHash<QFont, QHash<QString, QStaticText>>& CTolTextCache::store() {
    static QHash<QFont, QHash<QString, QStaticText>> texts;
    static const bool dropped = [] {
        // Shaped texts hold font engines, which must go while the application still has fonts.
        qAddPostRoutine([] { texts.clear(); });
        return true;
    }();
    Q_UNUSED(dropped);
    return texts;
}

const QStaticText& CTolTextCache::shaped(const QFont& font, const QString& text) {
    QHash<QString, QStaticText>& texts = store()[font];
    if (const auto found = texts.constFind(text); found != texts.cend())
        return *found;
    if (texts.size() >= kLimit)
        texts.clear();
    QStaticText shaped(text);
    shaped.setTextFormat(Qt::PlainText);
    shaped.setPerformanceHint(QStaticText::AggressiveCaching);
    shaped.prepare(QTransform(), font);
    return *texts.insert(text, shaped);
}

int CTolTextCache::cachedFor(const QFont& font) {
    const auto found = store().constFind(font);
    return found == store().cend() ? 0 : int(found->size());
}

void CTolTextCache::drawText(QPainter& p, const QRect& rect, int flags, const QString& text) {
    if ((flags & ~kPlainFlags) || rect.isEmpty() || !plainLine(text)) {
        p.drawText(rect, flags, text);
        return;
    }
    const QStaticText& line = shaped(p.font(), text);
    const QSizeF size = line.size();
    // Placed as drawText places a single line: a wider text spills on both sides when centred
    // and to the left when right-aligned, and is cut at the rectangle.
    qreal x = rect.left();
    if (flags & Qt::AlignRight)
        x = rect.left() + rect.width() - size.width();
    else if (flags & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - size.width()) / 2;
    const bool spills = size.width() > rect.width() || size.height() > rect.height();
    if (spills) {
        p.save();
        p.setClipRect(rect, Qt::IntersectClip);
    }
    p.drawStaticText(QPointF(x, rect.top()), line);
    if (spills)
        p.restore();
}
