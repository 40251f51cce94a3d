#include "support/ModalAnswer.h"
#include "toolkit/ui/TolColors.h"
#include "toolkit/ui/TolDialog.h"
#include "toolkit/ui/TolLabel.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

namespace {

using Button = CTolDialog::CaptionButton;
using State = CTolDialog::ButtonState;

// A dialog as the program's dialogs are: a subclass that may set its own flags and handle commands.
class Probe final : public CTolDialog {
public:
    explicit Probe(Qt::WindowFlags flags = {}) {
        if (flags)
            setWindowFlags(flags);
        setWindowTitle(QStringLiteral("Catálogo de clientes"));
        resize(320, 200);
    }
    QList<int> handled;

protected:
    void onCommand(int id) override { handled << id; }
};

int countPixels(const QImage& image, const QRect& area, const std::function<bool(QColor)>& test) {
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += test(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

bool near(const QColor& a, const QColor& b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

// Moves the pointer with no button held. The test pointer only reports a move when its position
// changes, and presses sent to a widget do not move it, so it first steps beside the target.
void hover(QWidget* w, const QPoint& pos) {
    QTest::mouseMove(w, pos + QPoint(0, 1));
    QTest::mouseMove(w, pos);
}

void showAndWait(QWidget& w) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
}

} // namespace

class TestTolDialogFrame final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void frameGeometryAndButtonsFollowTheWindowFlags() {
        Probe plain;
        showAndWait(plain);
        QVERIFY(plain.hasDrawnFrame());
        QVERIFY(plain.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(plain.captionRect(), QRect(3, 3, 314, 21));
        // The client area starts under the caption and keeps clear of the border.
        QCOMPARE(plain.clientRect(), QRect(3, 26, 314, 171));
        QVERIFY(plain.hasCaptionButton(Button::Close));
        QVERIFY(!plain.hasCaptionButton(Button::Maximize));
        QVERIFY(!plain.hasCaptionButton(Button::Minimize));
        QVERIFY(plain.captionButtonRect(Button::Maximize).isEmpty());
        const QRect close = plain.captionButtonRect(Button::Close);
        QCOMPARE(close.size(), QSize(16, 15));
        QVERIFY(plain.captionRect().contains(close));
        QVERIFY(plain.captionRect().right() - close.right() <= 2);
        QVERIFY(std::abs(close.center().y() - plain.captionRect().center().y()) <= 1);

        // A main window sets its own flags after our constructor: it still gets our frame, with all
        // three buttons from right to left.
        Probe full(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint);
        QVERIFY(!(full.windowFlags() & Qt::FramelessWindowHint));
        showAndWait(full);
        QVERIFY(full.windowFlags() & Qt::FramelessWindowHint);
        const QRect c = full.captionButtonRect(Button::Close);
        const QRect max = full.captionButtonRect(Button::Maximize);
        const QRect min = full.captionButtonRect(Button::Minimize);
        QVERIFY(!c.isEmpty() && !max.isEmpty() && !min.isEmpty());
        QVERIFY(min.right() < max.left() && max.right() < c.left());
        QCOMPARE(min.top(), c.top());

        // No maximise box: minimise moves up beside close.
        Probe noMax(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
        showAndWait(noMax);
        QVERIFY(noMax.captionButtonRect(Button::Maximize).isEmpty());
        QCOMPARE(noMax.captionButtonRect(Button::Minimize), max);

        // Boxes that paint their own face opt out: no caption, no buttons, the whole window is client.
        CTolMessageDlg box(QStringLiteral("- Faltan datos -"), false);
        QVERIFY(!box.hasDrawnFrame());
        QVERIFY(box.captionRect().isEmpty());
        QVERIFY(!box.hasCaptionButton(Button::Close));
        QCOMPARE(box.clientRect(), box.rect());
    }

    void captionIsDrawnWithTitleBitmapAndButtons() {
        Probe dlg(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
                  | Qt::WindowCloseButtonHint);
        showAndWait(dlg);
        QImage face = dlg.grab().toImage();
        const QRect caption = dlg.captionRect();
        const QColor strip = face.pixelColor(caption.left() + 1, caption.bottom());
        QVERIFY2(near(strip, TolColors::captionActive()) || near(strip, TolColors::captionInactive()),
                 qPrintable(strip.name()));
        QVERIFY(near(face.pixelColor(dlg.clientRect().center()), TolColors::background(), 2));
        // The title: white text over its grey shadow, left of the buttons.
        const QRect titleArea(caption.left(), caption.top(), dlg.captionButtonRect(Button::Minimize).left() - caption.left(),
                              caption.height());
        auto white = [](QColor c) { return c.red() > 240 && c.green() > 240 && c.blue() > 240; };
        auto shadow = [](QColor c) { return near(c, TolColors::captionShadow(), 6); };
        QVERIFY(countPixels(face, titleArea, white) > 40);
        QVERIFY(countPixels(face, titleArea, shadow) > 10);
        dlg.setWindowTitle(QString());
        face = dlg.grab().toImage();
        QCOMPARE(countPixels(face, titleArea, white), 0);
        // Each button has its face and a black glyph.
        for (Button b : {Button::Close, Button::Maximize, Button::Minimize}) {
            const QRect r = dlg.captionButtonRect(b);
            QVERIFY(countPixels(face, r, [](QColor c) { return c == Qt::black; }) >= 4);
            QVERIFY(near(face.pixelColor(r.left() + 2, r.top() + 2), TolColors::frameFace(), 2));
        }

        // The caption bitmap sits 2 pixels in, centred, with its transparent colour see-through.
        QImage bitmap(12, 12, QImage::Format_RGB32);
        bitmap.fill(QColor(255, 0, 255));
        for (int y = 3; y < 9; ++y)
            for (int x = 3; x < 9; ++x)
                bitmap.setPixelColor(x, y, Qt::red);
        dlg.setCaptionBitmap(CTolPicture(bitmap, QColor(255, 0, 255)));
        face = dlg.grab().toImage();
        const QPoint origin(caption.left() + 2, caption.top() + (caption.height() - 12) / 2);
        QCOMPARE(face.pixelColor(origin + QPoint(5, 5)), QColor(Qt::red));
        QVERIFY(!near(face.pixelColor(origin + QPoint(1, 1)), QColor(255, 0, 255), 40));
        QCOMPARE(countPixels(face, caption, [](QColor c) { return c == QColor(255, 0, 255); }), 0);
    }

    void buttonsGoHotPressedAndBackToNormal() {
        Probe dlg;
        showAndWait(dlg);
        const QRect close = dlg.captionButtonRect(Button::Close);
        hover(&dlg, close.center());
        QTRY_COMPARE(dlg.captionButtonState(Button::Close), State::Hot);
        hover(&dlg, dlg.captionRect().center());
        QTRY_COMPARE(dlg.captionButtonState(Button::Close), State::Normal);

        hover(&dlg, close.center());
        QTest::mousePress(&dlg, Qt::LeftButton, {}, close.center());
        QCOMPARE(dlg.captionButtonState(Button::Close), State::Pressed);
        // Dragged off while held: drawn normal, and a release outside does nothing.
        QTest::mouseMove(&dlg, dlg.captionRect().center());
        QCOMPARE(dlg.captionButtonState(Button::Close), State::Normal);
        QTest::mouseMove(&dlg, close.center());
        QCOMPARE(dlg.captionButtonState(Button::Close), State::Pressed);
        QTest::mouseMove(&dlg, dlg.captionRect().center());
        QTest::mouseRelease(&dlg, Qt::LeftButton, {}, dlg.captionRect().center());
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.captionButtonState(Button::Close), State::Normal);

        hover(&dlg, close.center());
        QTRY_COMPARE(dlg.captionButtonState(Button::Close), State::Hot);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&dlg, &leave);
        QCOMPARE(dlg.captionButtonState(Button::Close), State::Normal);
    }

    void closeButtonCancelsTheDialog() {
        // Flags of its own, set after our constructor: still modal under exec() with our frame.
        Probe dlg(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
        answerNextModal([](QWidget* w) {
            auto* d = static_cast<CTolDialog*>(w);
            const QPoint at = d->captionButtonRect(CTolDialog::CaptionButton::Close).center();
            hover(d, at);
            QTest::mouseClick(d, Qt::LeftButton, {}, at);
        });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QVERIFY(!dlg.isVisible());

        // A click on the caption beside the button does not close it.
        Probe other;
        showAndWait(other);
        QTest::mouseClick(&other, Qt::LeftButton, {}, other.captionRect().center());
        QVERIFY(other.isVisible());
    }

    void maximiseAndMinimiseButtons() {
        Probe dlg(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
                  | Qt::WindowCloseButtonHint);
        showAndWait(dlg);
        const QSize normal = dlg.size();
        auto clickButton = [&dlg](Button b) {
            const QPoint at = dlg.captionButtonRect(b).center();
            hover(&dlg, at);
            QTest::mouseClick(&dlg, Qt::LeftButton, {}, at);
        };
        clickButton(Button::Maximize);
        QTRY_VERIFY(dlg.isMaximized());
        QTRY_VERIFY(dlg.width() > normal.width());
        // The buttons follow the caption's right end.
        QVERIFY(dlg.captionButtonRect(Button::Close).right() > normal.width());
        clickButton(Button::Maximize);
        QTRY_VERIFY(!dlg.isMaximized());
        QTRY_COMPARE(dlg.size(), normal);
        // A double click on the caption toggles it too, but only where maximising is allowed.
        QTest::mouseDClick(&dlg, Qt::LeftButton, {}, QPoint(40, 12));
        QTRY_VERIFY(dlg.isMaximized());
        dlg.showNormal();
        QTRY_COMPARE(dlg.size(), normal);
        Probe fixed;
        showAndWait(fixed);
        QTest::mouseDClick(&fixed, Qt::LeftButton, {}, QPoint(40, 12));
        QVERIFY(!fixed.isMaximized());

        clickButton(Button::Minimize);
        QTRY_VERIFY(dlg.isMinimized());
    }

    void draggingTheCaptionMovesTheWindow() {
        Probe dlg;
        dlg.move(100, 80);
        showAndWait(dlg);
        const QPoint start = dlg.pos();
        const QPoint grip(60, 12);
        QVERIFY(dlg.captionRect().contains(grip));
        QTest::mousePress(&dlg, Qt::LeftButton, {}, grip);
        // No window manager here: the dialog moves itself, keeping the grip under the pointer.
        QTest::mouseMove(&dlg, grip + QPoint(40, 25));
        QTRY_COMPARE(dlg.pos(), start + QPoint(40, 25));
        QTest::mouseMove(&dlg, grip + QPoint(-30, 5));  // relative to the moved window
        QTRY_COMPARE(dlg.pos(), start + QPoint(10, 30));
        QTest::mouseRelease(&dlg, Qt::LeftButton, {}, grip);
        const QPoint dropped = dlg.pos();

        // Moving after the release, or dragging the client area, leaves it where it is.
        QTest::mouseMove(&dlg, grip + QPoint(50, 50));
        const QPoint client = dlg.clientRect().center();
        QTest::mousePress(&dlg, Qt::LeftButton, {}, client);
        QTest::mouseMove(&dlg, client + QPoint(30, 30));
        QTest::mouseRelease(&dlg, Qt::LeftButton, {}, client + QPoint(30, 30));
        QCOMPARE(dlg.pos(), dropped);

        // Pressing a caption button never drags.
        const QPoint close = dlg.captionButtonRect(Button::Close).center();
        QTest::mousePress(&dlg, Qt::LeftButton, {}, close);
        QTest::mouseMove(&dlg, close + QPoint(-60, 20));
        QTest::mouseRelease(&dlg, Qt::LeftButton, {}, close + QPoint(-60, 20));
        QCOMPARE(dlg.pos(), dropped);
        QVERIFY(dlg.isVisible());
    }

    void layoutsAndDialogUnitsStayInTheClientArea() {
        Probe dlg;
        auto* layout = new QVBoxLayout(&dlg);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* edit = new QLineEdit(&dlg);
        layout->addWidget(edit);
        layout->addStretch();
        showAndWait(dlg);
        QCOMPARE(edit->geometry().topLeft(), dlg.clientRect().topLeft());
        QCOMPARE(dlg.dialogRect(0, 0, 40, 12).topLeft(), dlg.clientRect().topLeft());
        const QRect r = dlg.dialogRect(40, 7, 203, 12);
        QVERIFY(r.top() > dlg.captionRect().bottom());
        QVERIFY(r.width() > 203 && r.height() > 12);  // a dialog unit is more than a pixel
        dlg.setClientSize(QSize(400, 300));
        QCOMPARE(dlg.clientRect().size(), QSize(400, 300));
    }

    void dialogUnitsFollowEachDialogsFont() {
        Probe plain;
        Probe large;
        const QSize normal = plain.dialogSize(100, 80);
        QFont doubled = large.font();
        doubled.setPointSize(doubled.pointSize() * 2);
        large.setFont(doubled);
        const QSize big = large.dialogSize(100, 80);
        QVERIFY(big.width() > normal.width() * 3 / 2 && big.height() > normal.height() * 3 / 2);
        QCOMPARE(plain.dialogSize(100, 80), normal);  // measured once per font, not once for all
        large.setFont(plain.font());
        QCOMPARE(large.dialogSize(100, 80), normal);
    }

    void plainLabelsTakeToolkitColoursUntilClosed() {
        Probe dlg;
        auto* plain = new QLabel(QStringLiteral("Cliente:"), &dlg);
        auto* withId = new QLabel(QStringLiteral("CANCELADA"), &dlg);
        withId->setObjectName(QStringLiteral("1113"));
        auto* toolkit = new CTolLabel(QStringLiteral("CANCELADA"), &dlg);
        toolkit->setTextColor(Qt::red);
        const QColor before = plain->palette().color(QPalette::WindowText);
        QVERIFY(before != TolColors::labelText());
        showAndWait(dlg);
        QCOMPARE(plain->palette().color(QPalette::WindowText), TolColors::labelText());
        QCOMPARE(withId->palette().color(QPalette::WindowText), before);
        QCOMPARE(toolkit->palette().color(QPalette::WindowText), QColor(Qt::red));
        dlg.accept();
        QCOMPARE(plain->palette().color(QPalette::WindowText), before);
        // Shown again, restyled again.
        showAndWait(dlg);
        QCOMPARE(plain->palette().color(QPalette::WindowText), TolColors::labelText());
    }

    void postedCommandsArriveLaterSentOnesNow() {
        Probe dlg;
        QSignalSpy spy(&dlg, &CTolDialog::command);
        dlg.postCommand(1124);
        QVERIFY(dlg.handled.isEmpty());
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 1124);
        QCOMPARE(dlg.handled, QList<int>{1124});
        dlg.sendCommand(32771);
        QCOMPARE(dlg.handled, (QList<int>{1124, 32771}));
        QCOMPARE(spy.count(), 2);
        // A dialog gone before its posted command is delivered takes nothing with it.
        auto* gone = new Probe;
        gone->postCommand(7);
        delete gone;
        QCoreApplication::processEvents();
    }
};

QTEST_MAIN(TestTolDialogFrame)
#include "tst_toldialogframe.moc"
