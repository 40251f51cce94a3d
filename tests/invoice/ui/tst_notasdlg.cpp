#include "invoice/ui/NotasDlg.h"
#include "support/ModalAnswer.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class TestNotasDlg final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void enterMakesNewLinesAndOkReturnsTheText() {
        answerNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<CNotasDlg*>(w);
            QVERIFY(dlg);
            auto* edit = dlg->control<QPlainTextEdit>(CNotasDlg::kEditId);
            QVERIFY(edit);
            QCOMPARE(edit->toPlainText(), QStringLiteral("uno"));
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_Return);
            QTest::keyClicks(edit, "dos");
            QVERIFY(dlg->isVisible()); // Enter did not close the box
            dlg->control<QPushButton>(CNotasDlg::kOkId)->click();
        });
        const std::optional<QString> edited = CNotasDlg::Edit(QStringLiteral("uno"));
        QVERIFY(edited.has_value());
        QCOMPARE(*edited, QStringLiteral("uno\ndos"));
    }

    void cancelAndEscapeReturnNothing() {
        answerNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<CNotasDlg*>(w);
            dlg->control<QPlainTextEdit>(CNotasDlg::kEditId)->setPlainText(QStringLiteral("cambiado"));
            QCOMPARE(dlg->control<QPushButton>(CNotasDlg::kCancelId)->text(), QStringLiteral("Cancelar"));
            dlg->control<QPushButton>(CNotasDlg::kCancelId)->click();
        });
        QVERIFY(!CNotasDlg::Edit(QStringLiteral("original")).has_value());

        answerNextModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QVERIFY(!CNotasDlg::Edit(QStringLiteral("original")).has_value());
    }
};

QTEST_MAIN(TestNotasDlg)
#include "tst_notasdlg.moc"
