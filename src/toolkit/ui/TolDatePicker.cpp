#include "toolkit/ui/TolDatePicker.h"

#include "toolkit/ui/TolPopupDlg.h"

#include <QCalendarWidget>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace {

constexpr int kPadding = 2;      // between the frame and the text, pixels
constexpr int kButtonWidth = 16;

const char* const kMonths[12] = {"Ene", "Feb", "Mar", "Abr", "May", "Jun",
                                 "Jul", "Ago", "Sep", "Oct", "Nov", "Dic"};

int daysIn(int month, int year) { return QDate(year, month, 1).daysInMonth(); }

} // namespace

CTolDatePicker::CTolDatePicker(QWidget* parent)
    : QWidget(parent), m_dateTime(QDateTime::currentDateTime()) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QString CTolDatePicker::monthName(int month) {
    return month >= 1 && month <= 12 ? QString::fromLatin1(kMonths[month - 1]) : QString();
}

QString CTolDatePicker::format(const QDate& date) {
    if (!date.isValid())
        return {};
    return QStringLiteral("%1/%2/%3").arg(date.day()).arg(monthName(date.month())).arg(date.year());
}

void CTolDatePicker::setDate(const QDate& date) {
    if (!date.isValid())
        return;
    setDateTime(QDateTime(date, m_dateTime.time()));
}

void CTolDatePicker::setDateTime(const QDateTime& dateTime) {
    if (!dateTime.isValid())
        return;
    m_pending.clear();
    const bool changed = dateTime.date() != m_dateTime.date();
    m_dateTime = dateTime;
    update();
    if (changed)
        Q_EMIT dateChanged(m_dateTime.date());
}

QString CTolDatePicker::fieldText(Field field) const {
    const QDate d = m_dateTime.date();
    switch (field) {
    case Field::Day:
        return QString::number(d.day());
    case Field::Month:
        return monthName(d.month());
    case Field::Year:
        return m_field == Field::Year && !m_pending.isEmpty() ? m_pending : QString::number(d.year());
    }
    return {};
}

QString CTolDatePicker::text() const {
    return fieldText(Field::Day) + QLatin1Char('/') + fieldText(Field::Month) + QLatin1Char('/')
         + fieldText(Field::Year);
}

void CTolDatePicker::setCurrentField(Field field) {
    if (field == m_field)
        return;
    commitPending();
    m_field = field;
    update();
}

// ---- geometry -------------------------------------------------------------------------------------

int CTolDatePicker::frameWidth() const {
    QStyleOptionFrame option;
    option.initFrom(this);
    return style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
}

CTolDatePicker::Widths CTolDatePicker::fieldWidths() const {
    // Measured on the widest values, so the separators stay put as the date changes.
    const QFontMetrics fm(font());
    int month = fm.horizontalAdvance(QStringLiteral("SEP"));
    for (int m = 1; m <= 12; ++m)
        month = std::max(month, fm.horizontalAdvance(monthName(m)));
    return {fm.horizontalAdvance(QStringLiteral("99")), month, fm.horizontalAdvance(QStringLiteral("2999")),
            fm.horizontalAdvance(QLatin1Char('/'))};
}

QRect CTolDatePicker::fieldRect(Field field) const {
    const Widths w = fieldWidths();
    const int fw = frameWidth();
    const int top = fw;
    const int height = std::max(0, this->height() - 2 * fw);
    int x = fw + kPadding;
    if (field == Field::Day)
        return QRect(x, top, w.day, height);
    x += w.day + w.separator;
    if (field == Field::Month)
        return QRect(x, top, w.month, height);
    x += w.month + w.separator;
    return QRect(x, top, w.year, height);
}

QRect CTolDatePicker::buttonRect() const {
    const int fw = frameWidth();
    return QRect(width() - fw - kButtonWidth, fw, kButtonWidth, std::max(0, height() - 2 * fw));
}

QSize CTolDatePicker::sizeHint() const {
    const Widths w = fieldWidths();
    const int fw = frameWidth();
    const int text = w.day + w.month + w.year + 2 * w.separator;
    return QSize(2 * fw + 2 * kPadding + text + 2 + kButtonWidth, QFontMetrics(font()).height() + 2 * fw + 4);
}

// ---- attributes -----------------------------------------------------------------------------------

void CTolDatePicker::setBackColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::Base, color);
    setPalette(pal);
}

void CTolDatePicker::setTextColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::Text, color);
    setPalette(pal);
}

void CTolDatePicker::setBold(bool on) {
    QFont f = font();
    f.setBold(on);
    setFont(f);
    updateGeometry();
}

// ---- editing --------------------------------------------------------------------------------------

void CTolDatePicker::setParts(int day, int month, int year) {
    month = std::clamp(month, 1, 12);
    year = std::clamp(year, kMinYear, kMaxYear);
    day = std::clamp(day, 1, daysIn(month, year));
    const QDate date(year, month, day);
    if (date == m_dateTime.date())
        return;
    m_dateTime.setDate(date);
    update();
    Q_EMIT dateChanged(date);
}

void CTolDatePicker::typeDigit(int digit) {
    const QDate d = m_dateTime.date();
    const QChar c(QLatin1Char(char('0' + digit)));
    switch (m_field) {
    case Field::Day: {
        QString typed = m_pending + c;
        int value = typed.toInt();
        // A second digit that makes no day of this month starts the day over.
        if (typed.size() == 2 && (value < 1 || value > d.daysInMonth())) {
            typed = c;
            value = digit;
        }
        if (value >= 1)
            setParts(value, d.month(), d.year());
        m_pending = typed.size() < 2 ? typed : QString();
        break;
    }
    case Field::Month: {
        QString typed = m_pending + c;
        int value = typed.toInt();
        if (typed.size() == 2 && (value < 1 || value > 12)) {
            typed = c;
            value = digit;
        }
        if (value >= 1)
            setParts(d.day(), value, d.year());
        // Only 0 and 1 can be followed by a second digit.
        m_pending = typed.size() == 1 && value <= 1 ? typed : QString();
        break;
    }
    case Field::Year:
        m_pending += c;
        if (m_pending.size() == 4)
            commitPending();
        break;
    }
    update();
}

void CTolDatePicker::commitPending() {
    if (m_pending.isEmpty())
        return;
    const QString typed = m_pending;
    m_pending.clear();
    update();
    if (m_field != Field::Year)
        return;  // day and month digits take effect as they are typed
    int year = typed.toInt();
    if (typed.size() <= 2)
        year += year < 30 ? 2000 : 1900;
    // A year out of range (three digits, "0000") leaves the year as it was.
    if (year < kMinYear || year > kMaxYear)
        return;
    const QDate d = m_dateTime.date();
    setParts(d.day(), d.month(), year);
}

void CTolDatePicker::moveField(int delta) {
    const int next = std::clamp(int(m_field) + delta, int(Field::Day), int(Field::Year));
    setCurrentField(Field(next));
}

void CTolDatePicker::step(int delta) {
    commitPending();
    const QDate d = m_dateTime.date();
    switch (m_field) {
    case Field::Day: {
        const int days = d.daysInMonth();
        setParts((d.day() - 1 + delta + days) % days + 1, d.month(), d.year());
        break;
    }
    case Field::Month:
        setParts(d.day(), (d.month() - 1 + delta + 12) % 12 + 1, d.year());
        break;
    case Field::Year:
        setParts(d.day(), d.month(), d.year() + delta);
        break;
    }
}

void CTolDatePicker::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        typeDigit(key - Qt::Key_0);
        return;
    }
    switch (key) {
    case Qt::Key_Left:
        moveField(-1);
        return;
    case Qt::Key_Right:
    case Qt::Key_Slash:
    case Qt::Key_Minus:
    case Qt::Key_Period:
        moveField(1);
        return;
    case Qt::Key_Home:
        setCurrentField(Field::Day);
        return;
    case Qt::Key_End:
        setCurrentField(Field::Year);
        return;
    case Qt::Key_Up:
        step(1);
        return;
    case Qt::Key_Down:
        if (event->modifiers() & Qt::AltModifier)
            showCalendar();
        else
            step(-1);
        return;
    case Qt::Key_F4:
        showCalendar();
        return;
    default:
        // Enter, Escape and the rest belong to the dialog; a pending year is taken first.
        commitPending();
        event->ignore();
        return;
    }
}

void CTolDatePicker::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (buttonRect().contains(pos)) {
        showCalendar();
        return;
    }
    // The field nearest to the click: the gaps between fields belong to the field on their left.
    Field field = Field::Day;
    if (pos.x() >= fieldRect(Field::Month).left())
        field = Field::Month;
    if (pos.x() >= fieldRect(Field::Year).left())
        field = Field::Year;
    setCurrentField(field);
}

void CTolDatePicker::focusInEvent(QFocusEvent* event) {
    m_pending.clear();
    update();
    QWidget::focusInEvent(event);
}

void CTolDatePicker::focusOutEvent(QFocusEvent* event) {
    commitPending();
    update();
    QWidget::focusOutEvent(event);
}

void CTolDatePicker::showCalendar() {
    commitPending();
    if (!m_calendar) {
        m_calendar = new QCalendarWidget(this);
        m_calendar->setWindowFlags(Qt::Popup);
        m_calendar->setLocale(QLocale(QLocale::Spanish, QLocale::Mexico));
        m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        m_calendar->setGridVisible(true);
        m_calendar->setMinimumDate(QDate(kMinYear, 1, 1));
        m_calendar->setMaximumDate(QDate(kMaxYear, 12, 31));
        connect(m_calendar, &QCalendarWidget::clicked, this, [this](const QDate& date) {
            setDate(date);
            m_calendar->close();
            setFocus(Qt::PopupFocusReason);
        });
        connect(m_calendar, &QCalendarWidget::activated, this, [this](const QDate& date) {
            setDate(date);
            m_calendar->close();
            setFocus(Qt::PopupFocusReason);
        });
    }
    m_calendar->setSelectedDate(date());
    m_calendar->adjustSize();
    const QRect anchor(mapToGlobal(QPoint(0, 0)), size());
    const QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : anchor;
    m_calendar->move(CTolPopupDlg::placement(anchor, m_calendar->size(), area));
    m_calendar->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

// ---- painting -------------------------------------------------------------------------------------

void CTolDatePicker::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.lineWidth = frameWidth();
    frame.midLineWidth = 0;
    frame.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &p, this);

    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    const QColor ink = palette().color(group, QPalette::Text);
    const QFontMetrics fm(font());
    p.setFont(font());

    auto drawField = [&](Field field, Qt::Alignment align) {
        const QRect r = fieldRect(field);
        const bool focused = hasFocus() && field == m_field;
        if (focused) {
            const int textWidth = std::min(r.width() + 2, fm.horizontalAdvance(fieldText(field)) + 2);
            QRect mark(0, r.top() + 1, textWidth, r.height() - 2);
            if (align & Qt::AlignRight)
                mark.moveRight(r.right() + 1);
            else if (align & Qt::AlignHCenter)
                mark.moveLeft(r.left() + (r.width() - textWidth) / 2);
            else
                mark.moveLeft(r.left() - 1);
            p.fillRect(mark, palette().color(group, QPalette::Highlight));
            p.setPen(palette().color(group, QPalette::HighlightedText));
        } else {
            p.setPen(ink);
        }
        p.drawText(r, int(align | Qt::AlignVCenter) | Qt::TextSingleLine, fieldText(field));
    };
    drawField(Field::Day, Qt::AlignRight);
    drawField(Field::Month, Qt::AlignHCenter);
    drawField(Field::Year, Qt::AlignLeft);

    p.setPen(ink);
    const Widths w = fieldWidths();
    const QRect day = fieldRect(Field::Day), month = fieldRect(Field::Month);
    p.drawText(QRect(day.right() + 1, day.top(), w.separator, day.height()), Qt::AlignCenter, QStringLiteral("/"));
    p.drawText(QRect(month.right() + 1, month.top(), w.separator, month.height()), Qt::AlignCenter,
               QStringLiteral("/"));

    // The drop-down button.
    QStyleOption button;
    button.initFrom(this);
    button.rect = buttonRect();
    button.state |= QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonTool, &button, &p, this);
    button.rect = buttonRect().adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &button, &p, this);
}
