#pragma once

#include "reports/ui/ReportDlg.h"

class QListWidget;

// "Catálogo de Clientes": the customer fields that become the report's columns.
class CRepCatcli final : public CReportDlg {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRepCatcli)
public:
    static constexpr int kDialogId = 170;
    static constexpr int kCamposId = 1147;

    CRepCatcli(Database& db, const ApplicationState& state, QWidget* parent = nullptr);

protected:
    void generate() override;

private:
    QListWidget* m_campos;
};
