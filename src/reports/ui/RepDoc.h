#pragma once

#include "reports/ui/ReportDlg.h"

class CTolDatePicker;
class QCheckBox;
class QRadioButton;

// "Reporte de documentos": the filters of the documents journal; "Generar" opens the viewer.
class CRepDoc final : public CReportDlg {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRepDoc)
public:
    static constexpr int kDialogId = 178;
    static constexpr int kPorPeriodoId = 1111;
    static constexpr int kResumidoId = 1149;
    static constexpr int kDetalladoId = 1046;

    CRepDoc(Database& db, const ApplicationState& state, QWidget* parent = nullptr);

protected:
    void generate() override;

private:
    QCheckBox* m_porPeriodo;
    CTolDatePicker* m_desde;
    CTolDatePicker* m_hasta;
    QRadioButton* m_detallado;
};
