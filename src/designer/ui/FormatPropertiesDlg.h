#pragma once

#include "designer/DesignFormat.h"
#include "designer/SheetSize.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QPlainTextEdit;
class QSpinBox;

// "Propiedades del formato": remarks, the paper, the detail area (first line, bottom, pitch),
// the lines per sheet (derived from the detail area unless fixed by hand) and the repetition
// distance. Enter accepts, Escape cancels.
class CFormatPropertiesDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CFormatPropertiesDlg(const CDesignFormat& format, QWidget* parent = nullptr);

    // The format with the edited values: remarks, paper, detail area, Caben and Repetir.
    CDesignFormat Result() const;

private:
    void updateCaben();
    SheetSize sheet() const;

    CDesignFormat m_format;
    QPlainTextEdit* m_notes;
    QComboBox* m_paper;
    QDoubleSpinBox* m_paperWidth;
    QDoubleSpinBox* m_paperHeight;
    QDoubleSpinBox* m_detailTop;
    QDoubleSpinBox* m_detailBottom;
    QDoubleSpinBox* m_pitch;
    QCheckBox* m_byHand;
    QSpinBox* m_caben;
    QDoubleSpinBox* m_repetir;
};
