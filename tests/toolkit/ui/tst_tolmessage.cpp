#include "toolkit/ui/TolDialog.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "support/ModalAnswer.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

class TestTolMessage final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void silentUntilRegistered() {
        QVERIFY(!CTolMessageDlg::isRegistered());
        QCOMPARE(TolMessage(QStringLiteral("nadie lo ve")), 0);
        CTolMessageDlg::registerToolkit();
        QVERIFY(CTolMessageDlg::isRegistered());
    }

    void theHeadingIsTheTitleTheProgramGave() {
        // The toolkit names no program: without a title the heading is empty.
        CTolMessageDlg::setMessageTitle({});
        CTolMessageDlg untitled(QStringLiteral("Hola"), false);
        QVERIFY(untitled.windowTitle().isEmpty());
        const QImage bare = untitled.grab().toImage();

        CTolMessageDlg::setMessageTitle(QStringLiteral("Quintaleva 2"));
        QCOMPARE(CTolMessageDlg::messageTitle(), QStringLiteral("Quintaleva 2"));
        CTolMessageDlg titled(QStringLiteral("Hola"), false);
        QCOMPARE(titled.windowTitle(), QStringLiteral("Quintaleva 2"));
        // Painted at the top-left, the box's only caption; the rest of the box is alike.
        const QImage headed = titled.grab().toImage();
        QCOMPARE(headed.size(), bare.size());
        QVERIFY(headed.copy(0, 0, headed.width(), 18) != bare.copy(0, 0, bare.width(), 18));
        QCOMPARE(headed.copy(0, 20, headed.width(), headed.height() - 20),
                 bare.copy(0, 20, bare.width(), bare.height() - 20));
        CTolMessageDlg::setMessageTitle({});
    }

    void oneLineMessageHasCentredOk() {
        CTolMessageDlg box(QStringLiteral("Hola"), false);
        QVERIFY(box.isSingleLine());
        QCOMPARE(box.height(), 97);
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(16);
        QCOMPARE(box.width(), QFontMetrics(font).boundingRect(QRect(0, 0, 95, 97), Qt::TextWordWrap, box.text()).width() + 80);
        CTolMessageDlg tiny(QStringLiteral("."), false);
        QCOMPARE(tiny.width(), 95); // never narrower than the narrowest box
        auto* ok = box.control<QPushButton>(CTolMessageDlg::kOkId);
        QVERIFY(ok);
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(ok->size(), QSize(65, 25));
        QCOMPARE(ok->x(), (box.width() - 65) / 2);
        QCOMPARE(ok->geometry().bottom() + 1, box.height() - 10);
        QVERIFY(!box.control(CTolMessageDlg::kNoId));
    }

    void longAndMultiLineTextsGrowTheBox() {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(16);
        const QFontMetrics fm(font);
        auto measure = [&](const QString& text, int width) {
            return fm.boundingRect(QRect(0, 0, width, 97), Qt::TextWordWrap, text);
        };

        const QString longWord = QStringLiteral("Supercalifragilisticoespialidoso");
        CTolMessageDlg wide(longWord, false);
        QVERIFY(measure(longWord, 95).width() > 95);
        QCOMPARE(wide.width(), measure(longWord, 95).width() + 80);
        QVERIFY(wide.isSingleLine());

        const QString lines = QStringLiteral("Primera línea\nSegunda línea\nTercera línea");
        CTolMessageDlg tall(lines, false);
        QVERIFY(!tall.isSingleLine());
        QCOMPARE(tall.height(), measure(lines, 95).height() + 65);

        // A yes/no question is measured in 200 pixels: a sentence that wraps at 95 fits one line.
        const QString question = QStringLiteral("¿Desea guardar?");
        CTolMessageDlg yesNo(question, true);
        QVERIFY(yesNo.isSingleLine());
        QCOMPARE(yesNo.height(), 97);
    }

    // A long explanation reads in a few lines of a wider box; the short messages, whose lines are
    // their own, keep the narrow measure exactly.
    void aLongSentenceIsMeasuredWiderAndShortMessagesKeepTheirSize() {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(16);
        const QFontMetrics fm(font);
        auto measure = [&](const QString& text, int width) {
            return fm.boundingRect(QRect(0, 0, width, 97), Qt::TextWordWrap, text);
        };
        const QString sentence = QStringLiteral(
            "- El archivo de la base de datos fue movido o reemplazado mientras el programa estaba abierto: no se "
            "guardó nada. Cierre el programa y ábralo de nuevo -");
        QVERIFY(measure(sentence, 95).height() > 8 * fm.lineSpacing());
        CTolMessageDlg box(sentence, false);
        const QRect area = box.textRect();
        QVERIFY2(area.width() > 95 && area.width() <= CTolMessageDlg::kWideMeasure, qPrintable(QString::number(area.width())));
        const int lines = measure(sentence, area.width()).height() / fm.lineSpacing();
        QVERIFY2(lines <= CTolMessageDlg::kMaxNarrowLines, qPrintable(QString::number(lines)));
        // The narrowest such width: ten pixels less would take another line.
        QVERIFY(measure(sentence, area.width() - 10).height() / fm.lineSpacing() > CTolMessageDlg::kMaxNarrowLines);
        QCOMPARE(box.height(), measure(sentence, area.width()).height() + 65);
        QCOMPARE(box.width(), measure(sentence, area.width()).width() + 80);

        for (const QString& part : {QStringLiteral("- Faltan Datos -\nAl menos necesito:\nFolio\nCliente\nUn producto"),
                                    QStringLiteral("- Documento Registrado -"), QStringLiteral("- Faltan datos -")}) {
            CTolMessageDlg kept(part, false);
            const QRect narrow = measure(part, 95);
            QCOMPARE(kept.width(), std::max(narrow.width() + 80, 95));
            QCOMPARE(kept.height(), narrow.height() < 33 ? 97 : narrow.height() + 65);
        }
    }

    void aLongWordWidensTheBoxWithoutLeavingItHalfEmpty() {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(16);
        const QFontMetrics fm(font);
        const QString text = QStringLiteral(
            "No se pudo abrir la base de datos del servidor\npostgresql://tienda@192.168.1.10:5432/tienda\n\n"
            "La base de datos del servidor no es una base de datos de Quintaleva 2.");
        CTolMessageDlg box(text, false);
        const QRect area = box.textRect();
        const QRect drawn = fm.boundingRect(area, Qt::TextWordWrap | Qt::AlignHCenter, box.text());
        QVERIFY(area.width() > 95);
        // The box is as tall as the lines drawn in its own width, not as those wrapped at 95.
        QCOMPARE(box.height(), drawn.height() + 65);
        QVERIFY(area.top() + drawn.height() <= box.height() - 10 - 25);
    }

    void aTextTooLongForTheScreenIsWrappedWiderAndFits() {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(16);
        const QFontMetrics fm(font);
        QString text = QStringLiteral("No se pudo comunicar con el servidor de la base de datos: revise que el "
                                      "servidor esté encendido, la dirección y la red.\n\n");
        for (int i = 0; i < 6; ++i)
            text += QStringLiteral("connection to server at \"192.168.1.10\", port 5432 failed: Connection refused "
                                   "Is the server running on that host and accepting TCP/IP connections?\n");
        CTolMessageDlg box(text, false);
        const QRect room = QApplication::primaryScreen()->availableGeometry();
        QVERIFY2(box.height() <= room.height(), qPrintable(QString::number(box.height())));
        QVERIFY(box.width() <= room.width());
        const QRect area = box.textRect();
        const QRect drawn = fm.boundingRect(area, Qt::TextWordWrap | Qt::AlignHCenter, box.text());
        QVERIFY(area.top() + drawn.height() <= box.height() - 10 - 25);
        QVERIFY(area.left() >= 0 && area.right() < box.width());
    }

    void everyLineOfTheTextFitsInTheBox() {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(16);
        const QFontMetrics fm(font);
        for (const char* text : {"Please enter a currency.", "Please enter an integer between 1 and 5.",
                                 "- Faltan Datos -\nAl menos necesito:\nFolio\nCliente\nUn producto",
                                 "- Documento Registrado -", "El folio A000012 ya existe."}) {
            for (bool yesNo : {false, true}) {
                CTolMessageDlg box(QString::fromUtf8(text), yesNo);
                const QRect area = box.textRect();
                const QRect drawn = fm.boundingRect(area, Qt::TextWordWrap | Qt::AlignHCenter, box.text());
                QVERIFY2(drawn.height() <= area.height(), text);
                QVERIFY2(area.left() >= 0 && area.right() < box.width(), text);
                // The text ends above the buttons.
                QVERIFY2(area.top() + drawn.height() <= box.height() - 10 - 25, text);
            }
        }
    }

    void yesNoButtonsAndAnswers() {
        CTolMessageDlg box(QStringLiteral("¿Desea continuar?"), true);
        auto* yes = box.control<QPushButton>(CTolMessageDlg::kOkId);
        auto* no = box.control<QPushButton>(CTolMessageDlg::kNoId);
        QVERIFY(yes && no);
        QCOMPARE(yes->text(), QStringLiteral("Si"));
        QCOMPARE(no->text(), QStringLiteral("No"));
        QVERIFY(box.width() >= 200);
        QCOMPARE(yes->x(), (box.width() - 140) / 2);
        QCOMPARE(no->x(), yes->x() + 75);

        answerNextModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(TolMessage(QStringLiteral("¿Borrar?"), true), 2);
        answerNextModal([](QWidget* w) {
            static_cast<CTolMessageDlg*>(w)->control<QPushButton>(CTolMessageDlg::kOkId)->click();
        });
        QCOMPARE(TolMessage(QStringLiteral("¿Borrar?"), true), 1);
        answerNextModal([](QWidget* w) {
            static_cast<CTolMessageDlg*>(w)->control<QPushButton>(CTolMessageDlg::kNoId)->click();
        });
        QCOMPARE(TolMessage(QStringLiteral("¿Borrar?"), true), 2);
        // Enter on the focused button answers with it.
        answerNextModal([](QWidget* w) { QTest::keyClick(w->focusWidget(), Qt::Key_Return); });
        QCOMPARE(TolMessage(QStringLiteral("- Listo -")), 1);
    }

    void enterMovesToTheNextFieldAndNeverCloses() {
        CTolDialog dlg;
        auto* first = new QLineEdit(&dlg);
        auto* second = new QLineEdit(&dlg);
        auto* ok = new QPushButton(QStringLiteral("OK"), &dlg);
        QObject::connect(ok, &QPushButton::clicked, &dlg, &QDialog::accept);
        ok->setDefault(true);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        first->setFocus();
        QTest::keyClick(first, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), second);
        QVERIFY(dlg.isVisible());
        QTest::keyClick(second, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(QApplication::focusWidget(), ok);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.result(), 0);
        // On a focused button Enter presses it, even one that is not a default button.
        ok->setAutoDefault(false);
        ok->setDefault(false);
        QTest::keyClick(ok, Qt::Key_Return);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestTolMessage)
#include "tst_tolmessage.moc"
