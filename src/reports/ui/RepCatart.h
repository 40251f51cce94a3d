#pragma once

#include "reports/ui/ReportDlg.h"

class QRadioButton;

// "Catalogo de artículos": order and orientation of the article catalogue report.
class CRepCatart final : public CReportDlg {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRepCatart)
public:
    static constexpr int kDialogId = 168;
    static constexpr int kClaveId = 1141;
    static constexpr int kDescripcionId = 1046;

    CRepCatart(Database& db, const ApplicationState& state, QWidget* parent = nullptr);

protected:
    void generate() override;

private:
    QRadioButton* m_descripcion;
};
