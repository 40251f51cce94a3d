#pragma once

#include "toolkit/ui/TolDialog.h"

class Database;
class QLineEdit;

// The access password asked at start-up: accepted when it equals the unscrambled General.[In];
// otherwise "- Clave incorrecta -" and another try, as many as the operator wants. Escape ends.
class CPasswordDlg final : public CTolDialog {
    Q_OBJECT
public:
    static constexpr int kPasswordId = 1000;
    static constexpr int kOkId = 1;

    explicit CPasswordDlg(Database& db, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onOk();

    Database& m_db;
    QLineEdit* m_password;
};
