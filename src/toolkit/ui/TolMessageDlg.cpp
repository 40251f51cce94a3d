#include "toolkit/ui/TolMessageDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

bool g_registered = false;
QPointer<QWidget> g_mainWindow;
QString g_title;

QFont messageFont() {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(16);
    return f;
}

QFont titleFont() {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(14);
    f.setBold(true);
    return f;
}

const QColor kBackground(236, 233, 216);

} // namespace

int TolMessage(const QString& text, bool yesNo, bool noByDefault) {
    if (!g_registered)
        return 0;
    QWidget* owner = g_mainWindow ? g_mainWindow.data() : QApplication::activeWindow();
    CTolMessageDlg box(text, yesNo, owner);
    if (noByDefault)
        box.focusNo();
    return box.exec();
}

int TolMessage(const QString& text, const QString& yes, const QString& no) {
    if (!g_registered)
        return 0;
    QWidget* owner = g_mainWindow ? g_mainWindow.data() : QApplication::activeWindow();
    CTolMessageDlg box(text, yes, no, owner);
    return box.exec();
}

void CTolMessageDlg::registerToolkit() { g_registered = true; }
bool CTolMessageDlg::isRegistered() { return g_registered; }
void CTolMessageDlg::setMessageTitle(const QString& title) { g_title = title; }
const QString& CTolMessageDlg::messageTitle() { return g_title; }
void CTolMessageDlg::setMainWindow(QWidget* window) { g_mainWindow = window; }
QWidget* CTolMessageDlg::mainWindow() { return g_mainWindow; }

CTolMessageDlg::CTolMessageDlg(const QString& text, bool yesNo, QWidget* parent)
    : CTolMessageDlg(text, yesNo ? QStringLiteral("Si") : QString(), QStringLiteral("No"), parent) {}

CTolMessageDlg::CTolMessageDlg(const QString& text, const QString& yes, const QString& no, QWidget* parent)
    : CTolDialog(parent), m_text(text), m_yesNo(!yes.isEmpty()) {
    const bool yesNo = m_yesNo;
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setDragAnywhere(true);
    setWindowTitle(g_title);
    setModal(true);

    // Measure in the width of the narrowest box; a longer text widens it, a taller one grows it.
    const int measureWidth = yesNo ? 200 : 95;
    m_measureWidth = measureWidth;
    const QFontMetrics fm(messageFont());
    QRect measured = fm.boundingRect(QRect(0, 0, measureWidth, 97), Qt::TextWordWrap, text);
    // A sentence that the narrow measure wraps into a column of two-word lines (a server's or a
    // file's explanation) is measured wider, in the narrowest width up to kWideMeasure that holds
    // it in a few lines. Short messages, whose lines are the text's own, keep their size.
    const int lineHeight = std::max(1, fm.lineSpacing());
    const auto linesAt = [&](int width) {
        return (fm.boundingRect(QRect(0, 0, width, 97), Qt::TextWordWrap, text).height() + lineHeight / 2) / lineHeight;
    };
    const int ownLines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    const int narrowLines = linesAt(measureWidth);
    if (narrowLines > kMaxNarrowLines && narrowLines - ownLines >= 3) {
        int wide = measureWidth;
        while (wide < kWideMeasure && linesAt(wide) > std::max(kMaxNarrowLines, ownLines))
            wide = std::min(wide + 10, kWideMeasure);
        m_measureWidth = wide;
        measured = fm.boundingRect(QRect(0, 0, wide, 97), Qt::TextWordWrap, text);
    }
    // A word longer than the measure (an address, a path) widens the box, and the other lines then
    // wrap in that width too: counted there, or the box keeps the height of the narrower wrapping.
    if (measured.width() > m_measureWidth)
        measured.setHeight(fm.boundingRect(QRect(0, 0, measured.width(), 97), Qt::TextWordWrap, text).height());
    // A text too long for the screen in that width (a server's own explanation) is wrapped wider
    // until the box, its OK button included, fits on the screen.
    const QScreen* screen = parent ? parent->screen() : QApplication::primaryScreen();
    if (screen) {
        const QRect room = screen->availableGeometry();
        int wrap = std::max(measureWidth, measured.width());
        while (measured.height() + 65 > room.height() - 20 && wrap + 100 + 80 <= room.width() - 20) {
            wrap += 100;
            measured = fm.boundingRect(QRect(0, 0, wrap, 97), Qt::TextWordWrap, text);
            m_measureWidth = wrap;
        }
    }
    m_textSize = measured.size();
    m_singleLine = m_textSize.height() <= 20;

    const int height = m_textSize.height() < 33 ? 97 : m_textSize.height() + 65;
    const int width = std::max(m_textSize.width() + 80, measureWidth);
    setFixedSize(width, height);

    auto makeButton = [this](const QString& caption, int id, int result) {
        auto* b = new QPushButton(caption, this);
        setId(b, id);
        b->resize(65, 25);
        connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        return b;
    };
    const int top = height - 10 - 25;
    if (yesNo) {
        QPushButton* yesButton = makeButton(yes, kOkId, 1);
        QPushButton* noButton = makeButton(no, kNoId, 2);
        yesButton->move((width - 140) / 2, top);
        noButton->move((width - 140) / 2 + 75, top);
        yesButton->setFocus();
    } else {
        QPushButton* ok = makeButton(QStringLiteral("OK"), kOkId, 1);
        ok->move((width - 65) / 2, top);
        ok->setFocus();
    }

    if (const QScreen* screen = parent ? parent->screen() : QApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width / 2, height / 2));
}

void CTolMessageDlg::focusNo() {
    if (QWidget* no = control(kNoId))
        no->setFocus();
}

QRect CTolMessageDlg::textRect() const {
    // Wrapped in the width it was measured in, or the lines would break differently from the
    // measure and the last ones fall outside the box; centred over the box's text area.
    const int wrapWidth = std::max(m_measureWidth, m_textSize.width());
    const int left = 40 + (width() - 80 - wrapWidth) / 2;
    return QRect(left, 16, wrapWidth, std::max(m_textSize.height(), height() - 16 - 45));
}

void CTolMessageDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    p.setPen(QColor(64, 64, 64));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(Qt::white);
    p.drawRect(rect().adjusted(1, 1, -2, -2));

    p.setFont(titleFont());
    p.setPen(QColor(0, 0, 128));
    p.drawText(QPoint(3, 1 + QFontMetrics(titleFont()).ascent()),
               QStringLiteral("  %1  ").arg(g_title));

    const QIcon icon = style()->standardIcon(m_yesNo ? QStyle::SP_MessageBoxQuestion : QStyle::SP_MessageBoxWarning);
    p.drawPixmap(20, 20, icon.pixmap(16, 16));

    p.setFont(messageFont());
    p.setPen(Qt::black);
    const int flags = m_singleLine ? (Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine)
                                   : (Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap);
    p.drawText(textRect(), flags, m_text);
}



void CTolMessageDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        done(2);
        return;
    }
    CTolDialog::keyPressEvent(event);
}

void CTolMessageDlg::closeEvent(QCloseEvent* event) {
    // Closed by the window manager: the same as "No".
    event->ignore();
    done(2);
}
