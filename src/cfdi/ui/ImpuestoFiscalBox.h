#pragma once

#include "cfdi/FiscalData.h"

#include <QGroupBox>

class QComboBox;

// What a tax of the catalogue means to the SAT, inside the tax editor: the impuesto (IVA, ISR,
// IEPS) and whether it is charged at its rate or exempt. The rate is the tax's own percentage.
class CImpuestoFiscalBox final : public QGroupBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CImpuestoFiscalBox)
public:
    static constexpr int kImpuestoId = 1321;
    static constexpr int kTipoFactorId = 1322;

    explicit CImpuestoFiscalBox(QWidget* parent = nullptr);

    void setValue(const ImpuestoFiscal& value);
    // With the tax's percentage (16 = 16 %) as its rate.
    ImpuestoFiscal value(double porcentaje) const;
    bool isEmpty() const;
    // Spanish; empty when it can be stored for a tax (or withholding) of this percentage.
    QString problem(double porcentaje, bool retencion) const;

private:
    QComboBox* m_impuesto;
    QComboBox* m_tipoFactor;
};
