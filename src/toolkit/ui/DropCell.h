#pragma once

#include <QComboBox>

// The grid's floating drop-down list (control id 1157) for columns whose values come from a list
// the owner fills. It ends on Enter, Escape, Left and Right; Up, Down and typed letters choose.
class CDropCell final : public QComboBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDropCell)
public:
    static constexpr int kId = 1157;

    explicit CDropCell(QWidget* parent = nullptr);

    // Selects the first entry that starts with `prefix` (case ignored); false when none does.
    bool selectStartingWith(const QString& prefix);

Q_SIGNALS:
    void editKey(int key);
    void editLost();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
