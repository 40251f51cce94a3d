#pragma once

#include "cfdi/FiscalData.h"
#include "toolkit/ui/TolDialog.h"

#include <cstdint>
#include <vector>

class CTolEdit;
class Database;
class QComboBox;
class QLabel;
class QLineEdit;

// "Cancelar ante el SAT": a stamped document's CFDI, or the complement of one of its payments,
// chosen in "Comprobante:"; its state before the SAT; the motive, the replacing document (series
// and folio, motive 01: stamped first with relation 04 when it is not), the key's password;
// "Cancelar ante el SAT" sends the request and "Consultar estado" asks the SAT what became of it.
class CCancelarCfdiDlg final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCancelarCfdiDlg)
public:
    static constexpr int kComprobanteId = 1371;
    static constexpr int kEstadoId = 1372;
    static constexpr int kMotivoId = 1373;
    static constexpr int kSerieId = 1374;
    static constexpr int kFolioId = 1375;
    static constexpr int kClaveId = 1376;
    static constexpr int kCancelarId = 1377;
    static constexpr int kConsultarId = 1378;
    static constexpr int kSalirId = 1067;

    CCancelarCfdiDlg(Database& db, std::int32_t idDocumento, QWidget* parent = nullptr);

    // "Cancelar ante el SAT" and "Consultar estado"; true when the PAC took the request / the SAT answered.
    bool cancelar();
    bool consultar();

    // At start-up: the cancellations in process not asked today are asked to the SAT, once a day,
    // with a word for the operator when one ended.
    static void CheckAtStart(Database& db, QWidget* parent);

private:
    CfdiKey chosen() const;
    void showState();

    Database& m_db;
    std::int32_t m_id;
    std::vector<CfdiKey> m_keys;
    QComboBox* m_comprobante = nullptr;
    QLabel* m_estado = nullptr;
    QComboBox* m_motivo = nullptr;
    QLineEdit* m_serie = nullptr;
    QLineEdit* m_folio = nullptr;
    QLineEdit* m_clave = nullptr;
};
