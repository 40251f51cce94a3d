#pragma once

#include "toolkit/ui/TolDialog.h"

#include <QStringList>

class CTolMenuWnd;

// The popup list of a menu button: a small modal popup holding a CTolMenuWnd, placed under the
// button (or above it near the screen's bottom, or to its left near the right edge). It ends with
// the chosen item's index, or with none when the operator leaves the list, clicks elsewhere or
// presses Escape.
class CTolPopupDlg final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTolPopupDlg)
public:
    // Distance from the screen's bottom below which the list opens upwards instead, pixels.
    static constexpr int kBottomMargin = 40;

    explicit CTolPopupDlg(const QStringList& items, QWidget* parent = nullptr);

    // Where a list of `size` goes for a button at `anchor` (global coordinates) on `screen`: under
    // the button's bottom-left; above the button when its bottom would come within 40 pixels of the
    // screen's bottom; ending at the button's left edge when it would pass the screen's right edge.
    // It never starts left of or above the screen.
    static QPoint placement(const QRect& anchor, const QSize& size, const QRect& screen);
    // Moves the list against `anchor` on the screen that holds it.
    void placeAgainst(const QRect& anchor);

    CTolMenuWnd* menu() const { return m_menu; }
    // The chosen index once the list has ended, or -1.
    int chosen() const { return m_chosen; }

    // Shows the list modally against `anchor` (global coordinates): the chosen index, or -1.
    static int choose(const QStringList& items, const QRect& anchor, QWidget* parent);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    CTolMenuWnd* m_menu;
    int m_chosen = -1;
};
