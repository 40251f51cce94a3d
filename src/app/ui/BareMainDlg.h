#pragma once

#include "toolkit/ui/TolDialog.h"

struct ApplicationState;

// The main window while the invoice form is not there yet: the program's caption, the business
// name, help and "Salir".
class CBareMainDlg final : public CTolDialog {
    Q_OBJECT
public:
    explicit CBareMainDlg(const ApplicationState& state, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
