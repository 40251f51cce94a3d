#include "toolkit/ui/TolDialog.h"

#include "toolkit/ui/TolColors.h"
#include "toolkit/ui/TolLabel.h"

#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace {

// The face of every dialog; dialog units are measured in it.
QFont dialogFace() {
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(9);
    return f;
}

QFont titleFont() {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(CTolDialog::kTitlePixelSize);
    f.setWeight(QFont::Normal);
    return f;
}

// A control id is the objectName in decimal; anything else is an unnamed control.
bool hasControlId(const QObject* object) {
    bool ok = false;
    object->objectName().toInt(&ok);
    return ok;
}

constexpr int kCornerGrip = 12;

} // namespace

CTolDialog::CTolDialog(QWidget* parent) : QDialog(parent) {
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setFont(dialogFace());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, TolColors::background());
    setPalette(pal);
    setAutoFillBackground(true);
    setDrawnFrame(true);
    // The hidden default button: with it no visible button takes the default look, which would
    // promise that Enter presses it; Enter moves to the next field (keyPressEvent).
    auto* nextField = new QPushButton(this);
    setId(nextField, kNextFieldId);
    nextField->setDefault(true);
    nextField->setFocusPolicy(Qt::NoFocus);
    nextField->setGeometry(dialogRect(0, 0, 6, 6));
    nextField->hide();
    connect(nextField, &QPushButton::clicked, this, [this] { focusNextChild(); });
}

CTolDialog::~CTolDialog() = default;

QWidget* CTolDialog::control(int id) const { return findChild<QWidget*>(QString::number(id)); }

void CTolDialog::setId(QWidget* widget, int id) { widget->setObjectName(QString::number(id)); }

void CTolDialog::place(QWidget* widget, int x, int y, int width, int height) const {
    widget->setGeometry(dialogRect(x, y, width, height));
}

// ---- frame geometry -------------------------------------------------------------------------------

void CTolDialog::setDrawnFrame(bool on) {
    m_drawnFrame = on;
    setContentsMargins(on ? QMargins(kBorder, kClientTop, kBorder, kBorder) : QMargins());
    setMouseTracking(on);
    resetButtons();
    update();
}

void CTolDialog::setDragAnywhere(bool on) {
    m_dragAnywhere = on;
    if (on)
        setDrawnFrame(false);
}

QRect CTolDialog::captionRect() const {
    if (!m_drawnFrame)
        return {};
    return QRect(kBorder, kCaptionTop, width() - 2 * kBorder, kCaptionBottom - kCaptionTop);
}

bool CTolDialog::hasCaptionButton(CaptionButton button) const {
    if (!m_drawnFrame)
        return false;
    const Qt::WindowFlags flags = windowFlags();
    switch (button) {
    case CaptionButton::Close:
        return flags & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint);
    case CaptionButton::Maximize:
        return flags & Qt::WindowMaximizeButtonHint;
    case CaptionButton::Minimize:
        return flags & Qt::WindowMinimizeButtonHint;
    }
    return false;
}

QRect CTolDialog::captionButtonRect(CaptionButton button) const {
    if (!hasCaptionButton(button))
        return {};
    const QRect caption = captionRect();
    const int top = caption.top() + (caption.height() - kCaptionButtonHeight) / 2;
    // Right to left: close, maximise, minimise; a button that is not shown leaves no gap.
    int right = caption.right() - 1;
    for (CaptionButton b : {CaptionButton::Close, CaptionButton::Maximize, CaptionButton::Minimize}) {
        if (!hasCaptionButton(b))
            continue;
        const QRect r(right - kCaptionButtonWidth + 1, top, kCaptionButtonWidth, kCaptionButtonHeight);
        if (b == button)
            return r;
        right = r.left() - kCaptionButtonGap - 1;
    }
    return {};
}

CTolDialog::ButtonState CTolDialog::captionButtonState(CaptionButton button) const {
    return m_states[index(button)];
}

void CTolDialog::setCaptionBitmap(const CTolPicture& picture) {
    m_captionBitmap = picture;
    update(captionRect());
}

void CTolDialog::setClientSize(const QSize& size) {
    const QMargins m = contentsMargins();
    resize(size.width() + m.left() + m.right(), size.height() + m.top() + m.bottom());
}

QSize CTolDialog::dialogSize(int width, int height) const {
    const QSize base = baseUnits(font());
    auto scale = [](int units, int base, int per) { return int(std::lround(double(units) * base / per)); };
    return QSize(scale(width, base.width(), 4), scale(height, base.height(), 8));
}

QSize CTolDialog::baseUnits(const QFont& font) {
    // Measuring the alphabet shapes it, and a dialog places dozens of controls: each font is
    // measured once. Dialogs use one or two faces, so the cache stays tiny.
    static QHash<QFont, QSize> measured;
    if (const auto found = measured.constFind(font); found != measured.cend())
        return *found;
    // The dialog base units of the font, measured the way the dialog manager does.
    const QFontMetrics fm(font);
    const int alphabet =
        fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const QSize base(std::max(1, (alphabet / 26 + 1) / 2), std::max(1, fm.height()));
    measured.insert(font, base);
    return base;
}

QRect CTolDialog::dialogRect(int x, int y, int width, int height) const {
    const QSize origin = dialogSize(x, y);
    return QRect(clientRect().topLeft() + QPoint(origin.width(), origin.height()), dialogSize(width, height));
}

// ---- commands -------------------------------------------------------------------------------------

void CTolDialog::postCommand(int id) {
    QMetaObject::invokeMethod(this, [this, id] { sendCommand(id); }, Qt::QueuedConnection);
}

void CTolDialog::sendCommand(int id) {
    onCommand(id);
    Q_EMIT command(id);
}

void CTolDialog::onCommand(int) {}

// ---- showing and closing --------------------------------------------------------------------------

void CTolDialog::setVisible(bool visible) {
    if (visible && !isVisible()) {
        // A subclass may have set its own window flags after our constructor; the frame is ours,
        // so the window manager's goes. Flags only change while the window is hidden.
        if (m_drawnFrame && !(windowFlags() & Qt::FramelessWindowHint))
            setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
        restyleLabels();
    }
    QDialog::setVisible(visible);
}

void CTolDialog::done(int result) {
    restoreLabels();
    m_manualDrag = false;
    m_pressed = -1;
    resetButtons();
    QDialog::done(result);
}

void CTolDialog::restyleLabels() {
    const auto labels = findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    for (QLabel* label : labels) {
        // Labels with an id, and toolkit labels, keep the colours they were given.
        if (hasControlId(label) || qobject_cast<CTolLabel*>(label))
            continue;
        const bool known = std::any_of(m_labels.cbegin(), m_labels.cend(),
                                       [label](const StyledLabel& s) { return s.label == label; });
        if (known)
            continue;
        m_labels.push_back({label, label->palette()});
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, TolColors::labelText());
        label->setPalette(pal);
    }
}

void CTolDialog::restoreLabels() {
    for (const StyledLabel& s : std::as_const(m_labels))
        if (s.label)
            s.label->setPalette(s.original);
    m_labels.clear();
}

void CTolDialog::showEvent(QShowEvent* event) {
    resetButtons();
    update();
    QDialog::showEvent(event);
}

void CTolDialog::resizeEvent(QResizeEvent* event) {
    update();
    QDialog::resizeEvent(event);
}

void CTolDialog::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::ActivationChange:
    case QEvent::WindowTitleChange:
        update(captionRect());
        break;
    case QEvent::WindowStateChange:
        resetButtons();
        update();
        break;
    default:
        break;
    }
    QDialog::changeEvent(event);
}

// ---- keys and mouse -------------------------------------------------------------------------------

void CTolDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // A focused push button takes Enter for itself, whatever its default flags say.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled() && button->isVisible()) {
            button->click();
            event->accept();
            return;
        }
        focusNextChild();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CTolDialog::buttonAt(const QPoint& pos, CaptionButton& button) const {
    for (CaptionButton b : {CaptionButton::Close, CaptionButton::Maximize, CaptionButton::Minimize}) {
        if (captionButtonRect(b).contains(pos)) {
            button = b;
            return true;
        }
    }
    return false;
}

void CTolDialog::setButtonState(CaptionButton button, ButtonState state) {
    ButtonState& current = m_states[index(button)];
    if (current == state)
        return;
    current = state;
    update(captionButtonRect(button));
}

void CTolDialog::resetButtons() {
    for (CaptionButton b : {CaptionButton::Close, CaptionButton::Maximize, CaptionButton::Minimize})
        setButtonState(b, ButtonState::Normal);
}

void CTolDialog::pressCaptionButton(CaptionButton button) {
    switch (button) {
    case CaptionButton::Close:
        reject();
        break;
    case CaptionButton::Maximize:
        toggleMaximized();
        break;
    case CaptionButton::Minimize:
        showMinimized();
        break;
    }
}

void CTolDialog::toggleMaximized() {
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void CTolDialog::startMove(const QPoint& globalPos) {
    // The window manager moves the window when it can; without one we move it ourselves.
    m_manualDrag = !(windowHandle() && windowHandle()->startSystemMove());
    m_dragOffset = globalPos - frameGeometry().topLeft();
}

Qt::Edges CTolDialog::resizeEdges(const QPoint& pos) const {
    // Only windows that may be maximised have a sizing border; the others keep their laid-out size.
    if (!hasCaptionButton(CaptionButton::Maximize) || isMaximized() || minimumSize() == maximumSize())
        return {};
    Qt::Edges edges;
    const QRect r = rect();
    const bool nearLeft = pos.x() < kBorder, nearRight = pos.x() > r.right() - kBorder;
    const bool nearTop = pos.y() < kBorder, nearBottom = pos.y() > r.bottom() - kBorder;
    if (!(nearLeft || nearRight || nearTop || nearBottom))
        return {};
    // Along the border, the last few pixels before a corner take both edges.
    if (nearLeft || pos.x() < kCornerGrip)
        edges |= Qt::LeftEdge;
    if (nearRight || pos.x() > r.right() - kCornerGrip)
        edges |= Qt::RightEdge;
    if (nearTop || pos.y() < kCornerGrip)
        edges |= Qt::TopEdge;
    if (nearBottom || pos.y() > r.bottom() - kCornerGrip)
        edges |= Qt::BottomEdge;
    return edges;
}

void CTolDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (m_drawnFrame) {
        CaptionButton button;
        if (buttonAt(pos, button)) {
            m_pressed = index(button);
            setButtonState(button, ButtonState::Pressed);
            event->accept();
            return;
        }
        if (captionRect().contains(pos)) {
            startMove(event->globalPosition().toPoint());
            event->accept();
            return;
        }
        if (const Qt::Edges edges = resizeEdges(pos); edges && windowHandle()) {
            windowHandle()->startSystemResize(edges);
            event->accept();
            return;
        }
    }
    if (m_dragAnywhere) {
        startMove(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CTolDialog::mouseMoveEvent(QMouseEvent* event) {
    if (m_manualDrag && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    if (m_drawnFrame) {
        const QPoint pos = event->position().toPoint();
        for (CaptionButton b : {CaptionButton::Close, CaptionButton::Maximize, CaptionButton::Minimize}) {
            const bool over = captionButtonRect(b).contains(pos);
            ButtonState state = ButtonState::Normal;
            if (m_pressed >= 0)
                state = (m_pressed == index(b) && over) ? ButtonState::Pressed : ButtonState::Normal;
            else if (over)
                state = ButtonState::Hot;
            setButtonState(b, state);
        }
        if (m_pressed < 0 && !(event->buttons() & Qt::LeftButton)) {
            const Qt::Edges edges = resizeEdges(pos);
            if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
                setCursor(Qt::SizeFDiagCursor);
            else if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
                setCursor(Qt::SizeBDiagCursor);
            else if (edges & (Qt::LeftEdge | Qt::RightEdge))
                setCursor(Qt::SizeHorCursor);
            else if (edges)
                setCursor(Qt::SizeVerCursor);
            else
                unsetCursor();
        }
    }
    QDialog::mouseMoveEvent(event);
}

void CTolDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mouseReleaseEvent(event);
        return;
    }
    m_manualDrag = false;
    if (m_pressed >= 0) {
        const auto button = CaptionButton(m_pressed);
        m_pressed = -1;
        const bool inside = captionButtonRect(button).contains(event->position().toPoint());
        setButtonState(button, inside ? ButtonState::Hot : ButtonState::Normal);
        if (inside)
            pressCaptionButton(button);
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

void CTolDialog::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    CaptionButton button;
    if (event->button() == Qt::LeftButton && captionRect().contains(pos) && !buttonAt(pos, button)
        && hasCaptionButton(CaptionButton::Maximize)) {
        m_manualDrag = false;
        toggleMaximized();
        event->accept();
        return;
    }
    // A quick second click on a caption button counts as another press.
    if (event->button() == Qt::LeftButton && m_drawnFrame && buttonAt(pos, button)) {
        m_pressed = index(button);
        setButtonState(button, ButtonState::Pressed);
        event->accept();
        return;
    }
    QDialog::mouseDoubleClickEvent(event);
}

void CTolDialog::leaveEvent(QEvent* event) {
    resetButtons();
    unsetCursor();
    QDialog::leaveEvent(event);
}

// ---- painting -------------------------------------------------------------------------------------

void CTolDialog::paintEvent(QPaintEvent* event) {
    if (!m_drawnFrame) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter p(this);
    paintFrame(p);
}

void CTolDialog::paintFrame(QPainter& p) const {
    const QRect r = rect();
    p.setPen(TolColors::frameDark());
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(TolColors::frameLight());
    p.drawRect(r.adjusted(1, 1, -2, -2));
    p.setPen(TolColors::frameFace());
    p.drawRect(r.adjusted(2, 2, -3, -3));
    // The strip between caption and client area.
    p.fillRect(QRect(kBorder, kCaptionBottom, width() - 2 * kBorder, kClientTop - kCaptionBottom),
               TolColors::frameFace());

    const QRect caption = captionRect();
    const bool active = isActiveWindow();
    QLinearGradient gradient(caption.topLeft(), caption.topRight());
    gradient.setColorAt(0, active ? TolColors::captionActive() : TolColors::captionInactive());
    gradient.setColorAt(1, active ? TolColors::captionActiveEnd() : TolColors::captionInactiveEnd());
    p.fillRect(caption, gradient);

    int titleLeft = caption.left() + 4;
    if (!m_captionBitmap.isNull()) {
        m_captionBitmap.drawAtLeft(p, caption, 2);
        titleLeft = caption.left() + 2 + std::min(m_captionBitmap.size().width(), caption.width() / 2) + 4;
    }
    int titleRight = caption.right() - 4;
    for (CaptionButton b : {CaptionButton::Close, CaptionButton::Maximize, CaptionButton::Minimize})
        if (hasCaptionButton(b))
            titleRight = std::min(titleRight, captionButtonRect(b).left() - 4);

    if (titleRight > titleLeft) {
        const QFont font = titleFont();
        p.setFont(font);
        const QRect titleRect(titleLeft, caption.top(), titleRight - titleLeft, caption.height());
        const QString title = QFontMetrics(font).elidedText(windowTitle(), Qt::ElideRight, titleRect.width() - 1);
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
        p.setPen(TolColors::captionShadow());
        p.drawText(titleRect.translated(1, 1), flags, title);
        p.setPen(TolColors::captionText());
        p.drawText(titleRect, flags, title);
    }

    for (CaptionButton b : {CaptionButton::Close, CaptionButton::Maximize, CaptionButton::Minimize})
        if (hasCaptionButton(b))
            paintCaptionButton(p, b);
}

void CTolDialog::paintCaptionButton(QPainter& p, CaptionButton button) const {
    const QRect r = captionButtonRect(button);
    const ButtonState state = m_states[index(button)];
    const bool closeHot = button == CaptionButton::Close && state != ButtonState::Normal;

    QColor face = TolColors::frameFace();
    if (closeHot)
        face = state == ButtonState::Pressed ? QColor(160, 24, 24) : QColor(200, 40, 40);
    else if (state == ButtonState::Hot)
        face = face.lighter(112);
    else if (state == ButtonState::Pressed)
        face = face.darker(108);
    p.fillRect(r, face);

    // Raised bevel normally, sunken while pressed.
    const bool sunken = state == ButtonState::Pressed;
    const QColor topLeft = sunken ? TolColors::frameDark() : TolColors::frameLight();
    const QColor bottomRight = sunken ? TolColors::frameLight() : TolColors::frameDark();
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());

    const QRect g = r.adjusted(4, 4, -4, -4).translated(sunken ? 1 : 0, sunken ? 1 : 0);
    const QColor ink = closeHot ? QColor(Qt::white) : QColor(Qt::black);
    p.setPen(ink);
    switch (button) {
    case CaptionButton::Close:
        // Two pixels wide, as the classic glyph.
        for (int dx = 0; dx < 2; ++dx) {
            p.drawLine(g.left() + dx, g.top(), g.right() - 1 + dx, g.bottom());
            p.drawLine(g.right() - 1 + dx, g.top(), g.left() + dx, g.bottom());
        }
        break;
    case CaptionButton::Maximize:
        if (isMaximized()) {
            const QRect back(g.left() + 2, g.top(), g.width() - 3, g.height() - 3);
            const QRect front(g.left(), g.top() + 3, g.width() - 3, g.height() - 3);
            p.drawRect(back.adjusted(0, 0, -1, -1));
            p.fillRect(front.adjusted(0, 0, -1, -1), face);
            p.drawRect(front.adjusted(0, 0, -1, -1));
            p.drawLine(front.left(), front.top() + 1, front.right() - 1, front.top() + 1);
        } else {
            p.drawRect(g.adjusted(0, 0, -1, -1));
            p.drawLine(g.left(), g.top() + 1, g.right() - 1, g.top() + 1);
        }
        break;
    case CaptionButton::Minimize:
        p.fillRect(QRect(g.left() + 1, g.bottom() - 1, g.width() - 3, 2), ink);
        break;
    }
}
