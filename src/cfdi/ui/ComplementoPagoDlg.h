#pragma once

#include "cfdi/FiscalData.h"
#include "toolkit/ui/TolDialog.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class CSatCombo;
class Database;
class QLabel;
class QLineEdit;

// "Complemento de pago": a payment received on a stamped PPD invoice owes a CFDI of its own. The
// dialog asks its forma de pago (01 efectivo unless told) and the key's password (the one kept for
// the run, when there is one), and Timbrar seals and stamps it; "Después" leaves it owed, in
// Utilerias → Facturas por timbrar. Whatever the operator does, the payment is noted as owing its
// complement before the dialog opens, so closing it loses nothing.
class CComplementoPagoDlg final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CComplementoPagoDlg)
public:
    static constexpr int kFormaPagoId = 1361;
    static constexpr int kClaveId = 1362;
    static constexpr int kTimbrarId = 1363;
    static constexpr int kDespuesId = 1364;
    static constexpr int kEstadoId = 1365;

    CComplementoPagoDlg(Database& db, const CfdiKey& key, QWidget* parent = nullptr);

    // After a payment was registered: when its document owes complements, notes this one and
    // opens the dialog. True when the complement ended stamped; false also when none is owed.
    static bool Offer(Database& db, const CfdiKey& key, QWidget* parent);
    // Seals and stamps the complements `keys` (payments received before their invoice was
    // stamped) with the password given, one after the other under one wait window; what became
    // of them, in a sentence or two for the operator.
    static QString StampOwed(Database& db, const std::vector<CfdiKey>& keys, const std::string& password,
                             QWidget* parent);

    // Timbrar: true once stamped; says what happened either way.
    bool stamp();

private:
    Database& m_db;
    CfdiKey m_key;
    CSatCombo* m_forma = nullptr;
    QLineEdit* m_clave = nullptr;
    QLabel* m_state = nullptr;
};
