#pragma once

#include <QDialog>

// The base of every dialog of the program. Enter moves the focus to the next field, as Tab does,
// and never closes the dialog; a focused push button still takes Enter for itself, and controls
// that need Enter (multi-line edits, the grid's cell editor) accept it before it gets here.
// Escape cancels.
class CTolDialog : public QDialog {
    Q_OBJECT
public:
    // The id of the hidden default button that carries the Enter convention.
    static constexpr int kNextFieldId = 1030;

    explicit CTolDialog(QWidget* parent = nullptr);

    // A child control by its numeric id (its objectName is the id in decimal).
    QWidget* control(int id) const;
    template <typename T>
    T* control(int id) const { return qobject_cast<T*>(control(id)); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // Captionless boxes move when dragged anywhere on their face.
    void setDragAnywhere(bool on) { m_dragAnywhere = on; }
    // Gives a control its id; code and tests find controls by these ids.
    static void setId(QWidget* widget, int id);

private:
    bool m_dragAnywhere = false;
    bool m_manualDrag = false;
    QPoint m_dragOffset;
};
