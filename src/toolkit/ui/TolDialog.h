#pragma once

#include "toolkit/ui/TolPicture.h"

#include <QDialog>
#include <QPointer>
#include <QVector>

class QLabel;

// The base of every dialog of the program.
//
// Frame: the window has no window-manager decoration; we draw a 3-pixel border and a caption strip
// (from 3 to 24 pixels below the top edge, 3 pixels in from the sides) holding the optional caption
// bitmap, the shadowed title and the close, maximise and minimise buttons that the window flags
// allow. Dragging the caption moves the window; a window that may be maximised can also be sized
// by its border (through the window manager). The client area starts below the caption; it is the
// widget's contentsRect(), so layouts keep clear of the frame, and controls placed by hand use
// clientRect() or dialogRect(). Dialogs that paint their whole face themselves opt out with
// setDrawnFrame(false) (setDragAnywhere(true) implies it).
//
// Face: every dialog starts in Arial 9 points, the face its dialog units are measured in.
//
// Keys: Enter moves the focus to the next field, as Tab does, and never closes the dialog; a
// focused push button still takes Enter for itself, and controls that need Enter (multi-line
// edits, the grid's cell editor) accept it before it gets here. Escape cancels. Every dialog
// carries a hidden default button (kNextFieldId), so that no visible button looks like Enter's.
//
// Commands: menu buttons, lookup buttons and the like post command ids to their dialog; they
// arrive in onCommand() and are announced by the command() signal.
//
// Labels: when the dialog is shown, its plain labels (direct QLabel children without an id) are
// painted in the toolkit's colours; they get their own colours back when the dialog closes.
class CTolDialog : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTolDialog)
public:
    // The id of the hidden default button that carries the Enter convention.
    static constexpr int kNextFieldId = 1030;

    // Frame geometry, pixels.
    static constexpr int kBorder = 3;
    static constexpr int kCaptionTop = 3;
    static constexpr int kCaptionBottom = 24;
    static constexpr int kClientTop = 26;
    static constexpr int kCaptionButtonWidth = 16;  // a small icon's width
    static constexpr int kCaptionButtonHeight = 15;
    static constexpr int kCaptionButtonGap = 2;
    static constexpr int kTitlePixelSize = 16;

    enum class CaptionButton { Close, Maximize, Minimize };
    enum class ButtonState { Normal, Hot, Pressed };

    explicit CTolDialog(QWidget* parent = nullptr);
    ~CTolDialog() override;

    // A child control by its numeric id (its objectName is the id in decimal).
    QWidget* control(int id) const;
    template <typename T>
    T* control(int id) const { return qobject_cast<T*>(control(id)); }

    // ---- frame ----
    bool hasDrawnFrame() const { return m_drawnFrame; }
    // The caption strip; empty without a drawn frame.
    QRect captionRect() const;
    // Whether the window flags give the caption this button (always false without a drawn frame):
    // close with a system menu or close hint, maximise and minimise with their hints.
    bool hasCaptionButton(CaptionButton button) const;
    // Where the button sits in the caption; empty when it is not shown.
    QRect captionButtonRect(CaptionButton button) const;
    ButtonState captionButtonState(CaptionButton button) const;
    // The bitmap drawn at the caption's left, 2 pixels in; a null picture removes it.
    void setCaptionBitmap(const CTolPicture& picture);
    const CTolPicture& captionBitmap() const { return m_captionBitmap; }

    // The client area in widget coordinates (below the caption, inside the border).
    QRect clientRect() const { return contentsRect(); }
    // Resizes the window so that its client area gets `size` pixels.
    void setClientSize(const QSize& size);
    // Dialog units (of this dialog's font) to pixels. dialogRect() gives widget coordinates inside
    // the client area, so a control placed there never lies under the caption.
    QSize dialogSize(int width, int height) const;
    QRect dialogRect(int x, int y, int width, int height) const;
    // The dialog base units of `font` (average character width, line height), in pixels.
    static QSize baseUnits(const QFont& font);

    // ---- commands ----
    // Queues `id` for onCommand()/command() once control returns to the event loop.
    void postCommand(int id);
    // Runs onCommand()/command() for `id` now.
    void sendCommand(int id);

    void setVisible(bool visible) override;
    void done(int result) override;

Q_SIGNALS:
    void command(int id);

protected:
    // Commands posted or sent to the dialog; the base does nothing.
    virtual void onCommand(int id);

    // Dialogs that draw their whole face themselves (message box, password box) do without the
    // frame: no caption, no border, the client area is the whole window.
    void setDrawnFrame(bool on);
    // Captionless boxes move when dragged anywhere on their face; this also drops the frame.
    void setDragAnywhere(bool on);
    // Gives a control its id; code and tests find controls by these ids.
    static void setId(QWidget* widget, int id);
    // Places a control at dialogRect(x, y, width, height), as a dialog template would.
    void place(QWidget* widget, int x, int y, int width, int height) const;

    // Subclasses that paint call this first: it draws the frame.
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct StyledLabel {
        QPointer<QLabel> label;
        QPalette original;
    };

    static constexpr int kButtonCount = 3;
    static int index(CaptionButton button) { return int(button); }
    bool buttonAt(const QPoint& pos, CaptionButton& button) const;
    void setButtonState(CaptionButton button, ButtonState state);
    void resetButtons();
    void pressCaptionButton(CaptionButton button);
    void toggleMaximized();
    void startMove(const QPoint& globalPos);
    Qt::Edges resizeEdges(const QPoint& pos) const;
    void restyleLabels();
    void restoreLabels();
    void paintFrame(QPainter& painter) const;
    void paintCaptionButton(QPainter& painter, CaptionButton button) const;

    bool m_drawnFrame = true;
    bool m_dragAnywhere = false;
    bool m_manualDrag = false;
    QPoint m_dragOffset;
    CTolPicture m_captionBitmap;
    ButtonState m_states[kButtonCount] = {ButtonState::Normal, ButtonState::Normal, ButtonState::Normal};
    int m_pressed = -1;  // the caption button the left button went down on
    QVector<StyledLabel> m_labels;
};
