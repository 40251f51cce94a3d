#pragma once

#include "cfdi/GlobalInvoice.h"
#include "toolkit/ui/TolDialog.h"

class CSatCombo;
class CTolDatePicker;
class Database;
class QComboBox;
class QLabel;
class QLineEdit;

// "Factura global": the sales of a period that have no CFDI of their own, invoiced to the public
// (XAXX010101000) in one CFDI with its periodicity. The period's free sales are counted as the
// dates change; "Timbrar" seals, stores (with the sales it covers) and stamps it.
class CFacturaGlobalDlg final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CFacturaGlobalDlg)
public:
    static constexpr int kDesdeId = 1381;
    static constexpr int kHastaId = 1382;
    static constexpr int kPeriodicidadId = 1383;
    static constexpr int kFormaPagoId = 1384;
    static constexpr int kClaveId = 1385;
    static constexpr int kResumenId = 1386;
    static constexpr int kTimbrarId = 1387;
    static constexpr int kSalirId = 1067;

    explicit CFacturaGlobalDlg(Database& db, QWidget* parent = nullptr);
    static void Run(Database& db, QWidget* parent);

    // Counts the period's free sales into the summary.
    void count();
    // Timbrar: true once the global invoice is stamped.
    bool stamp();

    CTolDatePicker* desde() const { return m_desde; }
    CTolDatePicker* hasta() const { return m_hasta; }

private:
    CGlobalInvoice::Period period() const;

    Database& m_db;
    CTolDatePicker* m_desde = nullptr;
    CTolDatePicker* m_hasta = nullptr;
    QComboBox* m_periodicidad = nullptr;
    CSatCombo* m_forma = nullptr;
    QLineEdit* m_clave = nullptr;
    QLabel* m_resumen = nullptr;
};
