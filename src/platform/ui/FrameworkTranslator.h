#pragma once

#include <QTranslator>

// Qt's own Spanish for its dialogs (files, printing, page setup, standard buttons), read from the
// system's qtbase_es.qm, with Spain's "fichero" said as a Mexican reader says it: "archivo".
// The program's own texts are never passed through tr(), so none of them is touched.
class CFrameworkTranslator final : public QTranslator {
    Q_OBJECT
public:
    using QTranslator::QTranslator;

    // Loads the translations and installs them on the application; false (and English dialogs)
    // when the translations package is missing.
    static bool install();

    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
};
