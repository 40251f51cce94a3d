#pragma once

#include "toolkit/ui/TolDialog.h"

class Database;
class QListWidget;
class QRadioButton;
struct ApplicationState;

// "Catálogo de Clientes": the customer fields that become the report's columns.
class CRepCatcli final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRepCatcli)
public:
    static constexpr int kDialogId = 170;
    static constexpr int kCamposId = 1147;
    static constexpr int kVerticalId = 1140;
    static constexpr int kHorizontalId = 1045;
    static constexpr int kGenerarId = 1144;
    static constexpr int kSalirId = 1067;

    CRepCatcli(Database& db, const ApplicationState& state, QWidget* parent = nullptr);

protected:
    void onCommand(int id) override;

private:
    Database& m_db;
    const ApplicationState& m_state;
    QListWidget* m_campos;
    QRadioButton* m_vertical;
};
