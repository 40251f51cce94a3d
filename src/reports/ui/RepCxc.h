#pragma once

#include "toolkit/ui/TolDialog.h"

class CTolEdit;
class Database;
class QRadioButton;
struct ApplicationState;

// "Cuentas por cobrar": the filters of the receivables report; "Generar" opens the viewer.
class CRepCxc final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRepCxc)
public:
    static constexpr int kDialogId = 179;
    static constexpr int kClienteId = 1000;
    static constexpr int kSerieId = 1008;
    static constexpr int kFolioId = 1009;
    static constexpr int kVerticalId = 1140;
    static constexpr int kHorizontalId = 1045;
    static constexpr int kTodasId = 1149;
    static constexpr int kVencidasId = 1046;
    static constexpr int kLookupId = 1124;
    static constexpr int kGenerarId = 1144;
    static constexpr int kSalirId = 1067;

    CRepCxc(Database& db, const ApplicationState& state, QWidget* parent = nullptr);

protected:
    void onCommand(int id) override;

private:
    void generate();

    Database& m_db;
    const ApplicationState& m_state;
    long m_clienteId = 0;
    CTolEdit* m_cliente;
    CTolEdit* m_serie;
    CTolEdit* m_folio;
    QRadioButton* m_vertical;
    QRadioButton* m_vencidas;
};
