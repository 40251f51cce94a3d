#pragma once

#include "toolkit/ui/TolDialog.h"

class QLineEdit;

// "Tamaño de la fuente": the report's type size in percent, 50 to 150.
class CFontsizeDlg final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CFontsizeDlg)
public:
    static constexpr int kDialogId = 181;
    static constexpr int kSizeId = 1000;
    static constexpr int kMin = 50;
    static constexpr int kMax = 150;

    CFontsizeDlg(int percent, QWidget* parent = nullptr);
    int percent() const { return m_percent; }

    void accept() override;

private:
    QLineEdit* m_edit;
    int m_percent;
};
