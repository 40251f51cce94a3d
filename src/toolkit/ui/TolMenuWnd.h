#pragma once

#include <QStringList>
#include <QWidget>

// The item window of a popup list: one row per item in Arial 14, the row under the mouse
// highlighted. Releasing the left button on a row chooses it; once the mouse has been over the
// list, leaving it dismisses the list. Up, Down and Enter choose from the keyboard.
class CTolMenuWnd final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTolMenuWnd)
public:
    static constexpr int kTextPixelSize = 14;
    static constexpr int kExtraWidth = 40;    // beyond the widest text, half on each side
    static constexpr int kRowPadding = 4;     // added to the text height of each row
    static constexpr int kExtraHeight = 4;    // beyond the rows, half above and half below

    explicit CTolMenuWnd(const QStringList& items, QWidget* parent = nullptr);

    static QFont itemFont();
    // The size a list of these items needs: widest text + 40 by the sum of (text height + 4) + 4.
    static QSize listSize(const QStringList& items);

    const QStringList& items() const { return m_items; }
    QRect itemRect(int index) const;
    // The row at `pos` (widget coordinates), or -1.
    int itemAt(const QPoint& pos) const;
    // The highlighted row, or -1.
    int hotItem() const { return m_hot; }

    // Follows the pointer at `pos` (widget coordinates, possibly outside the list): highlights the
    // row under it, and dismisses the list when the pointer leaves after having been over it.
    void trackPointer(const QPoint& pos);

Q_SIGNALS:
    void chosen(int index);
    void dismissed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setHot(int index);

    QStringList m_items;
    int m_rowHeight;
    int m_hot = -1;
    bool m_entered = false;
};
