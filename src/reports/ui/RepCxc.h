#pragma once

#include "reports/ui/ReportDlg.h"

class QRadioButton;

// "Cuentas por cobrar": the filters of the receivables report; "Generar" opens the viewer.
class CRepCxc final : public CReportDlg {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRepCxc)
public:
    static constexpr int kDialogId = 179;
    static constexpr int kTodasId = 1149;
    static constexpr int kVencidasId = 1046;

    CRepCxc(Database& db, const ApplicationState& state, QWidget* parent = nullptr);

protected:
    void generate() override;

private:
    QRadioButton* m_vencidas;
};
