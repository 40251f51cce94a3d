#pragma once

#include "cfdi/FiscalData.h"

#include <QGroupBox>

class CSatCombo;
class CTolEdit;

// The customer's fiscal data inside the customer editor: código postal fiscal, régimen and the
// uso del CFDI proposed for its invoices. All optional: a customer who never asks for an invoice
// needs none.
class CClienteFiscalBox final : public QGroupBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CClienteFiscalBox)
public:
    static constexpr int kCodigoPostalId = 1301;
    static constexpr int kRegimenId = 1302;
    static constexpr int kUsoId = 1303;

    explicit CClienteFiscalBox(QWidget* parent = nullptr);

    void setValue(const ClienteFiscal& value);
    ClienteFiscal value() const;
    bool isEmpty() const;
    // What keeps the data from being stored for a customer with this RFC, in Spanish; empty when
    // nothing does.
    QString problem(const QString& rfc) const;

private:
    CTolEdit* m_cp;
    CSatCombo* m_regimen;
    CSatCombo* m_uso;
};
