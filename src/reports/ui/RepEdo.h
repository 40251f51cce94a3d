#pragma once

#include "reports/ui/ReportDlg.h"

class CTolDatePicker;
class QRadioButton;

// "Moviientos de Clientes": customer, period and form of the customer statement.
class CRepEdo final : public CReportDlg {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRepEdo)
public:
    static constexpr int kDialogId = 180;
    static constexpr int kResumidoId = 1149;
    static constexpr int kDetalladoId = 1046;

    CRepEdo(Database& db, const ApplicationState& state, QWidget* parent = nullptr);

protected:
    void generate() override;

private:
    CTolDatePicker* m_desde;
    CTolDatePicker* m_hasta;
    QRadioButton* m_detallado;
};
