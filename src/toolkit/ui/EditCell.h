#pragma once

#include <QLineEdit>

// The grid's floating text editor (control id 1156). It ends on Enter, Escape, Up, Down and
// F2-F24, and in quick mode (editing started by typing a character) also on Left and Right, so the
// arrows move between cells while typing and inside the text after F2. The grid is told through
// editKey; losing the focus to another control is told through editLost.
class CEditCell final : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CEditCell)
public:
    static constexpr int kId = 1156;

    explicit CEditCell(QWidget* parent = nullptr);

    void setQuickMode(bool quick) { m_quick = quick; }
    bool isQuickMode() const { return m_quick; }
    // Forces capital letters while typing and pasting.
    void setUpperCase(bool upper);
    bool isUpperCase() const { return m_upper; }

    // Whether `key` (a Qt::Key) ends the edit in the present mode.
    bool endsEdit(int key) const;

Q_SIGNALS:
    void editKey(int key);
    void editLost();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void forceUpper();

    bool m_quick = false;
    bool m_upper = false;
};
