#pragma once

#include "toolkit/ui/TolDialog.h"

class CTolDatePicker;
class CTolEdit;
class Database;
class QCheckBox;
class QRadioButton;
struct ApplicationState;

// "Reporte de documentos": the filters of the documents journal; "Generar" opens the viewer.
class CRepDoc final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRepDoc)
public:
    static constexpr int kDialogId = 178;
    static constexpr int kClienteId = 1000;
    static constexpr int kSerieId = 1008;
    static constexpr int kFolioId = 1009;
    static constexpr int kPorPeriodoId = 1111;
    static constexpr int kDesdeId = 1105;
    static constexpr int kHastaId = 1106;
    static constexpr int kVerticalId = 1140;
    static constexpr int kHorizontalId = 1045;
    static constexpr int kResumidoId = 1149;
    static constexpr int kDetalladoId = 1046;
    static constexpr int kLookupId = 1124;
    static constexpr int kGenerarId = 1144;
    static constexpr int kSalirId = 1067;

    CRepDoc(Database& db, const ApplicationState& state, QWidget* parent = nullptr);

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
    QCheckBox* m_porPeriodo;
    CTolDatePicker* m_desde;
    CTolDatePicker* m_hasta;
    QRadioButton* m_vertical;
    QRadioButton* m_detallado;
};
