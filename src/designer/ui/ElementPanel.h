#pragma once

#include "printing/RenglonFormato.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QListWidget;
class QPushButton;

// The properties of the one selected element, exactly as the stream stores them: its kind (text,
// line, rectangle), the fields in order, alignment, position and size in millimetres with one
// decimal (measured down from the sheet's top edge), colour and font. Every change is offered
// to the window as the whole new element, which makes it an undoable edit.
class CElementPanel final : public QWidget {
    Q_OBJECT
public:
    explicit CElementPanel(QWidget* parent = nullptr);

    // Shows `element`; nothing (a disabled panel) when no single element is selected.
    void ShowElement(const CRenglonFormato* element);

    // The data a field may show, in list order, as (kind, index).
    static std::vector<std::pair<std::int32_t, std::int32_t>> DataList();

Q_SIGNALS:
    void elementChanged(const CRenglonFormato& element, const QString& what);

private:
    void fillFields();
    void offer(CRenglonFormato element, const QString& what);
    void addDatum();
    void addText();
    void removeField();
    void moveField(int delta);
    void geometryEdited();
    void fontEdited();
    void chooseColour();

    CRenglonFormato m_element;
    bool m_filling = false;

    QComboBox* m_kind;
    QListWidget* m_fields;
    QComboBox* m_datum;
    QPushButton* m_addDatum;
    QLineEdit* m_text;
    QPushButton* m_addText;
    QPushButton* m_remove;
    QPushButton* m_up;
    QPushButton* m_down;
    QComboBox* m_alignment;
    QDoubleSpinBox* m_left;
    QDoubleSpinBox* m_top;
    QDoubleSpinBox* m_width;
    QDoubleSpinBox* m_height;
    QPushButton* m_colour;
    QComboBox* m_face;
    QDoubleSpinBox* m_fontHeight;
    QCheckBox* m_bold;
    QCheckBox* m_italic;
    QCheckBox* m_underline;
    QCheckBox* m_strike;
};
