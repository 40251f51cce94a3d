// Qt's own dialogs in Spanish, worded as the program words them, without touching the program's
// own texts.
#include "platform/ui/DesktopApp.h"
#include "platform/ui/FileChooser.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// Every text the operator can read on the dialog's labels, buttons and lists of choices.
QStringList VisibleTexts(const QWidget& dialog) {
    QStringList texts;
    for (const auto* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    for (const auto* button : dialog.findChildren<QAbstractButton*>())
        texts << button->text() << button->toolTip();
    for (const auto* combo : dialog.findChildren<QComboBox*>())
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
    return texts;
}

QString ButtonText(const QWidget& box, int id) {
    const auto* button = box.findChild<QPushButton*>(QString::number(id));
    return button ? button->text() : QString();
}

}  // namespace

class TestFrameworkSpanish final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { SetUpDesktopApplication(); }

    void qtsOwnTextsAreSpanishWithArchivo() {
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancelar"));
        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Cancelar"));
        QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms"),
                 QStringLiteral("Carpeta"));
        // The names the framework takes from the locale (calendar, file types) are Spanish too.
        QCOMPARE(QLocale().monthName(12), QStringLiteral("diciembre"));
        // Spain's word, in the middle of a sentence and capitalised at its start.
        QCOMPARE(QCoreApplication::translate("QFileDialog", "All Files (*)"), QStringLiteral("Todos los archivos (*)"));
        const QString notFound = QCoreApplication::translate(
            "QFileDialog", "%1\nFile not found.\nPlease verify the correct file name was given.");
        QVERIFY2(notFound.contains(QLatin1String("\nArchivo no encontrado.\n")), qPrintable(notFound));
        QVERIFY2(notFound.contains(QLatin1String("nombre del archivo")), qPrintable(notFound));
    }

    void fileChoosersSayArchivo() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const auto mode : {QFileDialog::AcceptOpen, QFileDialog::AcceptSave}) {
            QFileDialog dialog(nullptr, QStringLiteral("Respaldar"), dir.path(), QStringLiteral("*.mdb (*.mdb)"));
            dialog.setAcceptMode(mode);
            PrepareFileChooser(dialog);
            dialog.show();
            QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
            const QStringList texts = VisibleTexts(dialog);
            QVERIFY(texts.contains(QStringLiteral("&Nombre del archivo:")));
            QVERIFY(texts.contains(QStringLiteral("Archivos de tipo:")));
            QVERIFY(texts.contains(mode == QFileDialog::AcceptSave ? QStringLiteral("&Guardar") : QStringLiteral("&Abrir")));
            QVERIFY(texts.contains(QStringLiteral("&Cancelar")));
            for (const QString& text : texts)
                QVERIFY2(!text.contains(QLatin1String("ichero"), Qt::CaseInsensitive), qPrintable(text));
        }

        // The shortcuts open the same prepared dialog, and a cancel answers nothing.
        QString folderLabel;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            folderLabel = dialog->labelText(QFileDialog::Accept);
            dialog->reject();
        });
        QCOMPARE(ChooseFolder(nullptr, QStringLiteral("Carpeta"), dir.path()), QString());
        QCOMPARE(folderLabel, QStringLiteral("&Elegir"));
    }

    void theProgramsOwnMessageBoxKeepsItsWords() {
        CTolMessageDlg ok(QStringLiteral("Documento guardado"), false);
        QCOMPARE(ButtonText(ok, CTolMessageDlg::kOkId), QStringLiteral("OK"));
        CTolMessageDlg question(QStringLiteral("¿Borrar?"), true);
        QCOMPARE(ButtonText(question, CTolMessageDlg::kOkId), QStringLiteral("Si"));
        QCOMPARE(ButtonText(question, CTolMessageDlg::kNoId), QStringLiteral("No"));
        CTolMessageDlg retry(QStringLiteral("Sin papel"), QStringLiteral("Reintentar"), QStringLiteral("Cancelar"));
        QCOMPARE(ButtonText(retry, CTolMessageDlg::kNoId), QStringLiteral("Cancelar"));
    }
};

QTEST_MAIN(TestFrameworkSpanish)
#include "tst_frameworkspanish.moc"
