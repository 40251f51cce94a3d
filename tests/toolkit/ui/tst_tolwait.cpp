#include "toolkit/ui/TolWait.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

class TestTolWait final : public QObject {
    Q_OBJECT

    static bool waitCursor() {
        return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    }

private Q_SLOTS:
    // Before the delay only the cursor shows; short work never sees a window.
    void quickWorkShowsOnlyTheCursor() {
        QWidget parent;
        CTolWait wait(&parent, QStringLiteral("Reportes"), QStringLiteral("Generando..."), 60000);
        QVERIFY(waitCursor());
        QVERIFY(wait.progress()(5, 10));
        QVERIFY(wait.keepGoing()());
        QVERIFY(!parent.findChild<QProgressDialog*>());
        wait.finish();
        QVERIFY(!QApplication::overrideCursor());
    }

    // Work that must end whole: no "Cancelar", the cursor stays, and the label follows the step
    // the work has reached.
    void withoutCancelTheWindowOnlyShowsTheStep() {
        QWidget parent;
        parent.show();
        {
            CTolWait wait(&parent, QStringLiteral("Respaldar base de datos"), {},
                          CTolWait::Options{.delayMs = 0, .cancel = false, .minimumWidth = 360});
            const CTolWait::Progress progress = wait.progress();
            wait.setLabel(QStringLiteral("Copiando la tabla Clientes..."));
            QVERIFY(progress(0, 10));
            auto* dialog = parent.findChild<QProgressDialog*>();
            QVERIFY(dialog);
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Respaldar base de datos"));
            QCOMPARE(dialog->labelText(), QStringLiteral("Copiando la tabla Clientes..."));
            QVERIFY(!dialog->findChild<QPushButton*>());
            QVERIFY(dialog->minimumWidth() >= 360);
            QVERIFY(waitCursor());

            wait.setLabel(QStringLiteral("Copiando la tabla Articulos..."));
            QCOMPARE(dialog->labelText(), QStringLiteral("Copiando la tabla Articulos..."));
            QTest::qWait(60);  // past the pause between two looks at the events
            QVERIFY(progress(20, 10));  // a count past its total fills the bar, no further
            QCOMPARE(dialog->value(), 1000);
            QVERIFY(!wait.cancelled());
        }
        QVERIFY(!parent.findChild<QProgressDialog*>());
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(TestTolWait)
#include "tst_tolwait.moc"
