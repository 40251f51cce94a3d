#pragma once

#include "toolkit/ui/TolDialog.h"

class CTolDatePicker;
class CTolEdit;
class Database;
class QRadioButton;
struct ApplicationState;

// "Moviientos de Clientes": customer, period and form of the customer statement.
class CRepEdo final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRepEdo)
public:
    static constexpr int kDialogId = 180;
    static constexpr int kClienteId = 1000;
    static constexpr int kDesdeId = 1105;
    static constexpr int kHastaId = 1106;
    static constexpr int kVerticalId = 1140;
    static constexpr int kHorizontalId = 1045;
    static constexpr int kResumidoId = 1149;
    static constexpr int kDetalladoId = 1046;
    static constexpr int kLookupId = 1124;
    static constexpr int kGenerarId = 1144;
    static constexpr int kSalirId = 1067;

    CRepEdo(Database& db, const ApplicationState& state, QWidget* parent = nullptr);

protected:
    void onCommand(int id) override;

private:
    void generate();

    Database& m_db;
    const ApplicationState& m_state;
    long m_clienteId = 0;
    CTolEdit* m_cliente;
    CTolDatePicker* m_desde;
    CTolDatePicker* m_hasta;
    QRadioButton* m_vertical;
    QRadioButton* m_detallado;
};
