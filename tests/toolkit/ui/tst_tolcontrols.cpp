#include "toolkit/TolBitmap.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolColors.h"
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolDialog.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolLabel.h"
#include "toolkit/ui/TolMenuWnd.h"
#include "toolkit/ui/TolPopupDlg.h"
#include "toolkit/ui/TolTextEdit.h"

#include <QCalendarWidget>
#include <QClipboard>
#include <QScreen>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>

#include <functional>

namespace {

class Owner final : public CTolDialog {
public:
    Owner() {
        setWindowTitle(QStringLiteral("Quintaleva"));
        resize(420, 260);
    }
    using CTolDialog::setId;
};

int countPixels(const QImage& image, const std::function<bool(QColor)>& test) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += test(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

void showAndWait(QWidget& w) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
}

// Runs `act` on the popup list once it is up (it blocks in exec() under the button's click). A list
// that `act` should have ended but did not is closed after a while, and counted in `stuck`.
int stuck = 0;
void whenPopupOpens(std::function<void(CTolPopupDlg*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* popup = qobject_cast<CTolPopupDlg*>(QApplication::activePopupWidget());
        if (!popup || !popup->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(popup);
        QTimer::singleShot(500, popup, [popup] {
            if (popup->isVisible()) {
                ++stuck;
                popup->reject();
            }
        });
    });
    timer->start();
}

const QList<TolMenuItem> kReportes = {
    {32771, QStringLiteral("Catálogo de clientes")},     {32772, QStringLiteral("Catálogo de artículos")},
    {32773, QStringLiteral("Documentos")},               {32774, QStringLiteral("Cuentas por cobrar")},
    {32776, QStringLiteral("Movimientos de clientes")},
};

} // namespace

class TestTolControls final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void filteredEditDropsWhatItDoesNotAccept() {
        Owner dlg;
        auto* folio = new CTolEdit(&dlg);
        folio->setAcceptedChars(QStringLiteral("0123456789"));
        showAndWait(dlg);
        folio->setFocus();
        QTest::keyClicks(folio, QStringLiteral("12a3-b"));
        QCOMPARE(folio->text(), QStringLiteral("123"));
        QTest::keyClick(folio, Qt::Key_4, Qt::KeypadModifier);
        QCOMPARE(folio->text(), QStringLiteral("1234"));
        // Pasted text keeps only what the edit accepts, the cursor after it.
        QGuiApplication::clipboard()->setText(QStringLiteral("5x6 7"));
        folio->paste();
        QCOMPARE(folio->text(), QStringLiteral("1234567"));
        QCOMPARE(folio->cursorPosition(), 7);
        folio->setCursorPosition(2);
        folio->insert(QStringLiteral("z9"));
        QCOMPARE(folio->text(), QStringLiteral("12934567"));
        QCOMPARE(folio->cursorPosition(), 3);
        // Editing keys still work.
        QTest::keyClick(folio, Qt::Key_Backspace);
        QCOMPARE(folio->text(), QStringLiteral("1234567"));

        // A filter set later applies to the text already there; an empty filter accepts all.
        auto* serie = new CTolEdit(&dlg);
        serie->setText(QStringLiteral("a1b2"));
        serie->setAcceptedChars(QStringLiteral("ab"));
        QCOMPARE(serie->text(), QStringLiteral("ab"));
        serie->setAcceptedChars(QString());
        serie->setUpperCase(true);
        QCOMPARE(serie->text(), QStringLiteral("AB"));
        serie->setFocus();
        serie->end(false);
        QTest::keyClicks(serie, QStringLiteral("c-1"));
        QTest::sendKeyEvent(QTest::Click, serie, Qt::Key_unknown, QStringLiteral("ñ"), {});
        QCOMPARE(serie->text(), QStringLiteral("ABC-1Ñ"));
    }

    // A long text put in by the program shows from its start; what the operator types stays where
    // the cursor is.
    void longTextsShowTheirStart() {
        QWidget host;
        auto* edit = new CTolEdit(&host);
        auto* other = new CTolEdit(&host);
        edit->setGeometry(0, 0, 100, 22);
        other->setGeometry(0, 30, 100, 22);
        host.show();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        other->setFocus();
        const QString address = QStringLiteral("Avenida de los Insurgentes Sur número 1234, interior 5, colonia Del Valle, CDMX");
        edit->setText(address);
        QCOMPARE(edit->cursorPosition(), 0);
        QVERIFY(edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < 10);
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClicks(edit, QStringLiteral(" x"));
        QCOMPARE(edit->text(), address + QStringLiteral(" x"));
        QCOMPARE(edit->cursorPosition(), address.size() + 2);
    }

    void captionBandsSitAboveTheText() {
        Owner dlg;
        auto* extra = new CTolEdit(&dlg);
        extra->setGeometry(10, 40, 130, 44);
        auto* notas = new CTolTextEdit(&dlg);
        notas->setGeometry(150, 40, 250, 90);
        showAndWait(dlg);
        const int lineTop = extra->textMargins().top();
        QCOMPARE(lineTop, 0);
        extra->setCaption(QStringLiteral("Pedido"));
        notas->setCaption(QStringLiteral("Observaciones"));
        QCOMPARE(extra->caption(), QStringLiteral("Pedido"));
        QVERIFY(extra->textMargins().top() >= 17);

        // The band's colour across the top, the edit's base under it, in both kinds of edit.
        auto check = [](QWidget* w) {
            const QImage face = w->grab().toImage();
            QVERIFY(face.pixelColor(4, 10) == TolColors::bandBack());
            QVERIFY(face.pixelColor(4, 19) == TolColors::bandBack());
            QVERIFY(face.pixelColor(4, 24) != TolColors::bandBack());
            QVERIFY(countPixels(face, [](QColor c) { return c == TolColors::bandText(); }) > 20);
        };
        check(extra);
        check(notas);
        QVERIFY(notas->viewport()->geometry().top() >= 19);
        QVERIFY(notas->viewport()->geometry().bottom() == notas->height() - 1 - notas->frameWidth());

        // Typed text shows below the band, and Enter stays a new line in the notes.
        notas->setFocus();
        QTest::keyClicks(notas, QStringLiteral("uno"));
        QTest::keyClick(notas, Qt::Key_Return);
        QTest::keyClicks(notas, QStringLiteral("dos"));
        QCOMPARE(notas->toPlainText(), QStringLiteral("uno\ndos"));
        QCOMPARE(QApplication::focusWidget(), notas);

        extra->setCaption(QString());
        QCOMPARE(extra->textMargins().top(), 0);
        QVERIFY(extra->grab().toImage().pixelColor(4, 10) != TolColors::bandBack());
    }

    void lookupButtonPostsItsCommandToTheDialog() {
        Owner dlg;
        auto* cliente = new CTolEdit(&dlg);
        cliente->setGeometry(10, 40, 200, 22);
        cliente->setLookup(1124);
        showAndWait(dlg);
        QToolButton* lookup = cliente->lookupButton();
        QVERIFY(lookup && lookup->isVisible());
        QCOMPARE(lookup->focusPolicy(), Qt::NoFocus);
        // Inside the edit's right end, and the text stops before it.
        QVERIFY(cliente->rect().contains(lookup->geometry()));
        QVERIFY(lookup->geometry().right() >= cliente->width() - 4);
        QVERIFY(cliente->textMargins().right() >= lookup->width());

        QSignalSpy spy(&dlg, &CTolDialog::command);
        QTest::mouseClick(lookup, Qt::LeftButton);
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 1124);
        QVERIFY(dlg.isVisible());

        cliente->setLookup(0);
        QVERIFY(!cliente->lookupButton());
        QCOMPARE(cliente->textMargins().right(), 0);
    }

    void coloursAndBoldShowOnScreen() {
        Owner dlg;
        // Measured in the application's face: in the dialogs' 9-point Arial, bold red on yellow
        // leaves too few pure-red pixels for the ink count below to tell bold from plain.
        dlg.setFont(QApplication::font());
        auto* serie = new CTolEdit(&dlg);
        serie->setGeometry(10, 40, 120, 26);
        serie->setText(QStringLiteral("WWW"));
        auto* plain = new CTolEdit(&dlg);
        plain->setGeometry(10, 80, 120, 26);
        plain->setText(QStringLiteral("WWW"));
        auto* cancelada = new CTolLabel(QStringLiteral("CANCELADA"), &dlg);
        cancelada->setGeometry(10, 120, 140, 20);
        showAndWait(dlg);

        const QColor yellow(255, 255, 204), red(255, 0, 0);
        serie->setBackColor(yellow);
        serie->setTextColor(red);
        serie->setBold(true);
        QVERIFY(serie->isBold() && !plain->isBold());
        const QImage face = serie->grab().toImage();
        QCOMPARE(face.pixelColor(serie->width() - 8, serie->height() / 2), yellow);
        QVERIFY(countPixels(face, [&](QColor c) { return c == red; }) > 10);
        // Bold text covers more pixels than the same text in the plain edit.
        auto ink = [](const QImage& image) {
            return countPixels(image, [](QColor c) { return c.red() < 200 && c.green() < 60 && c.blue() < 60; });
        };
        plain->setTextColor(Qt::black);
        const int plainInk = countPixels(plain->grab().toImage(), [](QColor c) { return c.value() < 60; });
        QVERIFY2(ink(face) + countPixels(face, [&](QColor c) { return c == red; }) > plainInk,
                 qPrintable(QStringLiteral("%1 vs %2").arg(ink(face)).arg(plainInk)));

        cancelada->setTextColor(red);
        cancelada->setBold(true);
        cancelada->setBackColor(Qt::black);
        const QImage label = cancelada->grab().toImage();
        QCOMPARE(label.pixelColor(1, 1), QColor(Qt::black));
        QVERIFY(countPixels(label, [&](QColor c) { return c == red; }) > 10);
    }

    void pictureButtonsDrawTransparentAndShowTheirTooltip() {
        QImage face(20, 16, QImage::Format_RGB32);
        face.fill(QColor(255, 0, 255));
        for (int y = 4; y < 12; ++y)
            for (int x = 4; x < 16; ++x)
                face.setPixelColor(x, y, QColor(0, 0, 255));
        Owner dlg;
        auto* imprimir = new CTolButton(QStringLiteral("Imprimir"), &dlg);
        imprimir->setGeometry(10, 40, 120, 34);
        imprimir->setPicture(face, QColor(255, 0, 255));
        imprimir->setToolTip(QStringLiteral("Imprime el documento en pantalla (F4)"));
        showAndWait(dlg);
        QCOMPARE(imprimir->picture().size(), QSize(20, 16));
        QCOMPARE(imprimir->iconSize(), QSize(20, 16));
        const QImage shown = imprimir->grab().toImage();
        QCOMPARE(countPixels(shown, [](QColor c) { return c == QColor(255, 0, 255); }), 0);
        QVERIFY(countPixels(shown, [](QColor c) { return c == QColor(0, 0, 255); }) >= 96);

        // The same through a loaded picture holder.
        CTolBitmap bitmap;
        ImageBuffer buffer;
        buffer.width = 2;
        buffer.height = 1;
        buffer.frameCount = 1;
        buffer.delays = {0};
        buffer.pixels = {opaquePixel(255, 0, 255), opaquePixel(0, 128, 0)};
        bitmap.assign(buffer);
        const CTolPicture fromHolder = CTolPicture::fromBitmap(bitmap, QColor(255, 0, 255));
        QCOMPARE(fromHolder.size(), QSize(2, 1));
        const QImage pixels = fromHolder.pixmap().toImage();
        QCOMPARE(qAlpha(pixels.pixel(0, 0)), 0);
        QCOMPARE(pixels.pixelColor(1, 0), QColor(0, 128, 0));
        QVERIFY(CTolPicture::fromBitmap(*std::make_unique<CTolBitmap>()).isNull());

        // The tooltip shows when the mouse rests on the button.
        const QPoint at = imprimir->rect().center();
        QHelpEvent help(QEvent::ToolTip, at, imprimir->mapToGlobal(at));
        QApplication::sendEvent(imprimir, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Imprime el documento en pantalla (F4)"));
        QToolTip::hideText();
    }

    void popupPlacementAgainstTheScreenEdges() {
        const QRect screen(0, 0, 800, 600);
        const QSize list(150, 100);
        const QRect button(100, 100, 93, 34);
        // Under the button, left edges aligned.
        QCOMPARE(CTolPopupDlg::placement(button, list, screen), QPoint(100, 134));
        // Ending 40 pixels above the screen's bottom still opens downwards; one more pixel opens up.
        QCOMPARE(CTolPopupDlg::placement(QRect(100, 426, 93, 34), list, screen), QPoint(100, 460));
        QCOMPARE(CTolPopupDlg::placement(QRect(100, 427, 93, 34), list, screen), QPoint(100, 327));
        QCOMPARE(CTolPopupDlg::placement(QRect(100, 540, 93, 34), list, screen).y() + list.height(), 540);
        // Past the right edge: it ends at the button's left edge.
        QCOMPARE(CTolPopupDlg::placement(QRect(700, 100, 93, 34), list, screen), QPoint(550, 134));
        QCOMPARE(CTolPopupDlg::placement(QRect(650, 100, 93, 34), list, screen), QPoint(650, 134));
        // Both at once: above and to the left.
        QCOMPARE(CTolPopupDlg::placement(QRect(700, 540, 93, 34), list, screen), QPoint(550, 440));
        // A list with no room on either side still starts on the screen.
        QCOMPARE(CTolPopupDlg::placement(QRect(10, 50, 93, 34), QSize(900, 700), screen), QPoint(0, 0));
        const QRect second(800, 0, 800, 600);  // a screen to the right of the first
        QCOMPARE(CTolPopupDlg::placement(QRect(1500, 100, 93, 34), list, second), QPoint(1350, 134));

        // The list's size: widest text + 40 by the rows (text height + 4 each) + 4, in Arial 14.
        const QStringList texts = {QStringLiteral("Para impresora de Windows"), QStringLiteral("Para impresora de tickets")};
        QFont arial(QStringLiteral("Arial"));
        arial.setPixelSize(14);
        const QFontMetrics fm(arial);
        const int widest = std::max(fm.horizontalAdvance(texts[0]), fm.horizontalAdvance(texts[1]));
        QCOMPARE(CTolMenuWnd::listSize(texts), QSize(widest + 40, 2 * (fm.height() + 4) + 4));
        CTolPopupDlg popup(texts);
        QCOMPARE(popup.size(), CTolMenuWnd::listSize(texts));
        QCOMPARE(popup.menu()->itemAt(popup.menu()->itemRect(1).center()), 1);
        QCOMPARE(popup.menu()->itemAt(QPoint(5, 1)), -1);
        QCOMPARE(popup.menu()->itemAt(QPoint(5, popup.height() - 1)), -1);
    }

    void menuButtonOpensItsListWhereThereIsRoom() {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        Owner dlg;
        auto* reportes = new CTolButton(QStringLiteral("Reportes"), &dlg);
        reportes->setGeometry(300, 200, 93, 34);
        reportes->setMenu(kReportes, &dlg);
        QVERIFY(reportes->isMenuButton());
        QSignalSpy spy(&dlg, &CTolDialog::command);

        // Near the bottom-right corner of the screen: the list opens upwards and to the left.
        dlg.move(screen.right() - dlg.width() + 1, screen.bottom() - dlg.height() + 1);
        showAndWait(dlg);
        const QRect button(reportes->mapToGlobal(QPoint(0, 0)), reportes->size());
        QVERIFY(button.bottom() + CTolMenuWnd::listSize({kReportes[0].text}).height() * 5 > screen.bottom() - 40);
        QRect shown;
        whenPopupOpens([&](CTolPopupDlg* popup) {
            shown = popup->geometry();
            QCOMPARE(popup->menu()->items().size(), 5);
            QTest::keyClick(popup->menu(), Qt::Key_Escape);
        });
        QTest::mouseClick(reportes, Qt::LeftButton);
        QVERIFY(!shown.isNull());
        QCOMPARE(shown.bottom() + 1, button.top());
        QVERIFY(button.left() + shown.width() > screen.right() + 1);
        QCOMPARE(shown.right() + 1, button.left());
        QVERIFY(screen.contains(shown));
        QCOMPARE(QApplication::focusWidget(), reportes);

        // Near the top-left: under the button.
        dlg.move(screen.topLeft());
        QTRY_COMPARE(dlg.pos(), screen.topLeft());
        const QRect below(reportes->mapToGlobal(QPoint(0, 0)), reportes->size());
        whenPopupOpens([&](CTolPopupDlg* popup) {
            shown = popup->geometry();
            QTest::keyClick(popup->menu(), Qt::Key_Escape);
        });
        QTest::mouseClick(reportes, Qt::LeftButton);
        QCOMPARE(shown.topLeft(), QPoint(below.left(), below.bottom() + 1));
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), 0);
        QCOMPARE(stuck, 0);
    }

    void choosingAnItemSendsItsCommandDismissingSendsNone() {
        Owner dlg;
        auto* reportes = new CTolButton(QStringLiteral("Reportes"), &dlg);
        reportes->setGeometry(20, 60, 93, 34);
        reportes->setMenu(kReportes, &dlg);
        showAndWait(dlg);
        QSignalSpy spy(&dlg, &CTolDialog::command);

        // The mouse rests over the fifth item, which lights up; a click chooses it.
        int hot = -2;
        whenPopupOpens([&](CTolPopupDlg* popup) {
            CTolMenuWnd* menu = popup->menu();
            QTest::mouseMove(menu, menu->itemRect(4).center());
            hot = menu->hotItem();
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->itemRect(4).center());
        });
        QTest::mouseClick(reportes, Qt::LeftButton);
        QCOMPARE(hot, 4);
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 32776);
        spy.clear();

        // Into the list and out again without a click: the list goes, no command.
        whenPopupOpens([&](CTolPopupDlg* popup) {
            CTolMenuWnd* menu = popup->menu();
            QTest::mouseMove(menu, menu->itemRect(1).center());
            QTest::mouseMove(menu, QPoint(menu->width() + 30, menu->itemRect(1).center().y()));
        });
        QTest::mouseClick(reportes, Qt::LeftButton);
        QVERIFY(!QApplication::activePopupWidget());
        // A click outside the list, or Escape, also dismiss it.
        whenPopupOpens([&](CTolPopupDlg* popup) {
            QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(-20, -20));
        });
        QTest::mouseClick(reportes, Qt::LeftButton);
        whenPopupOpens([&](CTolPopupDlg* popup) { QTest::keyClick(popup->menu(), Qt::Key_Escape); });
        QTest::mouseClick(reportes, Qt::LeftButton);
        QTest::qWait(20);
        QCOMPARE(spy.count(), 0);

        // From the keyboard: Down twice and Enter choose the second item.
        whenPopupOpens([&](CTolPopupDlg* popup) {
            QTest::keyClick(popup->menu(), Qt::Key_Down);
            QTest::keyClick(popup->menu(), Qt::Key_Down);
            QTest::keyClick(popup->menu(), Qt::Key_Return);
        });
        QTest::mouseClick(reportes, Qt::LeftButton);
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 32772);
        QVERIFY(dlg.isVisible());
        QCOMPARE(stuck, 0);

        // Without items it is a plain button again.
        reportes->setMenu({}, &dlg);
        QTest::mouseClick(reportes, Qt::LeftButton);
        QVERIFY(!QApplication::activePopupWidget());
    }

    void datePickerShowsSpanishShortMonths() {
        QStringList months;
        for (int m = 1; m <= 12; ++m)
            months << CTolDatePicker::monthName(m);
        QCOMPARE(months.join(QLatin1Char(' ')), QStringLiteral("Ene Feb Mar Abr May Jun Jul Ago Sep Oct Nov Dic"));
        QVERIFY(CTolDatePicker::monthName(0).isEmpty() && CTolDatePicker::monthName(13).isEmpty());
        QCOMPARE(CTolDatePicker::format(QDate(2004, 3, 5)), QStringLiteral("5/Mar/2004"));
        QCOMPARE(CTolDatePicker::format(QDate(1999, 12, 31)), QStringLiteral("31/Dic/1999"));
        QVERIFY(CTolDatePicker::format(QDate()).isEmpty());

        CTolDatePicker picker;
        QCOMPARE(picker.date(), QDate::currentDate());
        picker.setDateTime(QDateTime(QDate(2004, 3, 5), QTime(14, 30)));
        QCOMPARE(picker.text(), QStringLiteral("5/Mar/2004"));
        picker.setDate(QDate());  // ignored
        QCOMPARE(picker.date(), QDate(2004, 3, 5));
        // The fields are laid out for their widest values and the button follows them.
        picker.resize(picker.sizeHint());
        QVERIFY(picker.fieldRect(CTolDatePicker::Field::Day).right() < picker.fieldRect(CTolDatePicker::Field::Month).left());
        QVERIFY(picker.fieldRect(CTolDatePicker::Field::Year).right() < picker.buttonRect().left());
        const QFontMetrics fm(picker.font());
        QVERIFY(picker.fieldRect(CTolDatePicker::Field::Year).width() >= fm.horizontalAdvance(QStringLiteral("2999")));
    }

    void datePickerKeypadEntry() {
        Owner dlg;
        auto* fecha = new CTolDatePicker(&dlg);
        fecha->setGeometry(10, 40, 120, 24);
        auto* next = new CTolEdit(&dlg);
        next->setGeometry(10, 80, 120, 24);
        showAndWait(dlg);
        fecha->setDateTime(QDateTime(QDate(2004, 3, 5), QTime(14, 30)));
        fecha->setFocus();
        QSignalSpy changed(fecha, &CTolDatePicker::dateChanged);
        auto pad = [fecha](const char* digits) {
            for (const char* d = digits; *d; ++d)
                QTest::keyClick(fecha, Qt::Key(Qt::Key_0 + (*d - '0')), Qt::KeypadModifier);
        };
        using Field = CTolDatePicker::Field;

        // Day: two digits make it; a second digit that makes no day starts over.
        QCOMPARE(fecha->currentField(), Field::Day);
        pad("12");
        QCOMPARE(fecha->date(), QDate(2004, 3, 12));
        pad("45");
        QCOMPARE(fecha->date().day(), 5);
        pad("07");
        QCOMPARE(fecha->date().day(), 7);

        // Month: 1 then 0, 1 or 2 makes 10-12; 1 then 5 starts over at 5; 2-9 are whole at once.
        QTest::keyClick(fecha, Qt::Key_Right);
        QCOMPARE(fecha->currentField(), Field::Month);
        pad("11");
        QCOMPARE(fecha->date().month(), 11);
        pad("15");
        QCOMPARE(fecha->date().month(), 5);
        pad("9");
        QCOMPARE(fecha->date().month(), 9);
        pad("12");
        QCOMPARE(fecha->text(), QStringLiteral("7/Dic/2004"));

        // Year: up to four digits, shown while they are typed, taken at the fourth.
        QTest::keyClick(fecha, Qt::Key_Slash, Qt::KeypadModifier);
        QCOMPARE(fecha->currentField(), Field::Year);
        pad("19");
        QCOMPARE(fecha->text(), QStringLiteral("7/Dic/19"));
        QCOMPARE(fecha->date().year(), 2004);
        pad("99");
        QCOMPARE(fecha->date(), QDate(1999, 12, 7));
        QCOMPARE(fecha->text(), QStringLiteral("7/Dic/1999"));
        // Two digits taken on leaving the field mean 1930-2029; three digits are refused.
        pad("04");
        QTest::keyClick(fecha, Qt::Key_Left);
        QCOMPARE(fecha->date().year(), 2004);
        QTest::keyClick(fecha, Qt::Key_Right);
        pad("98");
        QTest::keyClick(fecha, Qt::Key_Left);
        QCOMPARE(fecha->date().year(), 1998);
        QTest::keyClick(fecha, Qt::Key_Right);
        pad("200");
        QTest::keyClick(fecha, Qt::Key_Left);
        QCOMPARE(fecha->date().year(), 1998);

        // The day follows the month's length; letters do nothing; the time of day stays.
        fecha->setDate(QDate(2004, 1, 31));
        QCOMPARE(fecha->currentField(), Field::Month);
        pad("2");
        QCOMPARE(fecha->date(), QDate(2004, 2, 29));
        QTest::keyClicks(fecha, QStringLiteral("abc"));
        QCOMPARE(fecha->date(), QDate(2004, 2, 29));
        QCOMPARE(fecha->dateTime().time(), QTime(14, 30));
        // Up and Down step the focused field, the day wrapping inside its month.
        QTest::keyClick(fecha, Qt::Key_Up);
        QCOMPARE(fecha->date(), QDate(2004, 3, 29));
        QTest::keyClick(fecha, Qt::Key_Left);
        QTest::keyClick(fecha, Qt::Key_Up);
        QTest::keyClick(fecha, Qt::Key_Up);
        QTest::keyClick(fecha, Qt::Key_Up);
        QCOMPARE(fecha->date(), QDate(2004, 3, 1));
        QVERIFY(changed.count() >= 10);

        // Enter takes a pending year and moves on, as in every dialog.
        QTest::keyClick(fecha, Qt::Key_End);
        pad("20");
        QTest::keyClick(fecha, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(fecha->date(), QDate(2020, 3, 1));
        QCOMPARE(QApplication::focusWidget(), next);
        QVERIFY(dlg.isVisible());
        // A click picks the field under it.
        QTest::mouseClick(fecha, Qt::LeftButton, {}, fecha->fieldRect(Field::Month).center());
        QCOMPARE(fecha->currentField(), Field::Month);
        QCOMPARE(QApplication::focusWidget(), fecha);
    }

    void datePickerCalendarSetsTheDate() {
        Owner dlg;
        auto* fecha = new CTolDatePicker(&dlg);
        fecha->setGeometry(10, 40, 120, 24);
        showAndWait(dlg);
        fecha->setDate(QDate(2004, 3, 5));
        fecha->setFocus();
        QTest::keyClick(fecha, Qt::Key_F4);
        QCalendarWidget* calendar = fecha->calendar();
        QVERIFY(calendar);
        QTRY_VERIFY(calendar->isVisible());
        QCOMPARE(calendar->selectedDate(), QDate(2004, 3, 5));
        Q_EMIT calendar->clicked(QDate(2004, 4, 20));
        QCOMPARE(fecha->date(), QDate(2004, 4, 20));
        QVERIFY(!calendar->isVisible());
    }
};

QTEST_MAIN(TestTolControls)
#include "tst_tolcontrols.moc"
