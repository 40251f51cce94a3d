#include "platform/ui/FrameworkTranslator.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>

bool CFrameworkTranslator::install() {
    // The file chooser's types and dates and the calendar's names follow the default locale, not
    // the translations; the money format keeps reading QLocale::system().
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico));
    auto* translator = new CFrameworkTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::Spanish, QLocale::Mexico), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QString CFrameworkTranslator::translate(const char* context, const char* sourceText, const char* disambiguation,
                                        int n) const {
    QString text = QTranslator::translate(context, sourceText, disambiguation, n);
    // The one word of the file list that Qt's Spanish lacks (a context Qt 6 renamed).
    if (text.isEmpty() && qstrcmp(context, "QAbstractFileIconProvider") == 0 && qstrcmp(sourceText, "Folder") == 0)
        return QStringLiteral("Carpeta");
    if (!text.contains(QLatin1String("ichero"), Qt::CaseInsensitive))
        return text;
    // Both words are masculine, so articles and adjectives around them stay right.
    static const QRegularExpression word(QStringLiteral("\\b([Ff])ichero(s?)\\b"));
    QString out;
    qsizetype last = 0;
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(last, m.capturedStart() - last);
        out += (m.captured(1) == QLatin1String("F") ? QLatin1String("Archivo") : QLatin1String("archivo")) +
               m.captured(2);
        last = m.capturedEnd();
    }
    out += QStringView(text).mid(last);
    return out;
}
