#pragma once

#include "cfdi/FiscalData.h"
#include "toolkit/ui/TolDialog.h"
#include "toolkit/ui/TolGridOwner.h"

#include <QStringList>

#include <cstdint>
#include <vector>

class CTolGrid;
class Database;
class QLabel;
class QLineEdit;

// "Facturas por timbrar": the invoices and payment complements whose stamping did not end (or, a
// complement, never began), with their last error — the
// pending ones (the PAC may hold them: they go again exactly as they were sent) and the sealed
// ones the PAC refused. "Timbrar" tries them all again; Enter on one opens its "Factura
// electrónica". The key's password is asked only for a sealed one close to the SAT's 72 hours,
// which must be sealed again.
class CPorTimbrarDlg final : public CTolDialog, public ITolGridOwner {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPorTimbrarDlg)
public:
    static constexpr int kGridId = 1351;
    static constexpr int kClaveId = 1352;
    static constexpr int kTimbrarId = 1353;
    static constexpr int kResumenId = 1354;
    static constexpr int kSalirId = 1067;

    CPorTimbrarDlg(Database& db, QWidget* parent = nullptr);

    static void Run(Database& db, QWidget* parent);
    // The start-up warning: says how many invoices wait for their stamp and offers the list.
    static void WarnAtStart(Database& db, QWidget* parent);

    // Timbrar: every listed invoice once more; the list is read again afterwards.
    void stampAll();
    int listed() const { return static_cast<int>(m_ids.size()); }
    CTolGrid* grid() const { return m_grid; }

    void tgmGetCellText(int gridId, TolGridCell& cell) override;
    void tgmRowActivate(int gridId, int row) override;

private:
    void load();

    Database& m_db;
    CTolGrid* m_grid = nullptr;
    QLabel* m_resumen = nullptr;
    QLineEdit* m_clave = nullptr;
    std::vector<CfdiKey> m_ids;  // the invoices, then the payment complements
    std::vector<QStringList> m_rows;
};
