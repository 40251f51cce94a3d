#pragma once

#include "cfdi/FiscalData.h"

#include <QGroupBox>

class CSatCombo;
class CTolEdit;

// The article's SAT keys inside the article editor: clave de producto o servicio (eight digits;
// "01010101" when none fits), clave de unidad and its name, and whether it is object of tax.
class CArticuloFiscalBox final : public QGroupBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CArticuloFiscalBox)
public:
    static constexpr int kClaveProdServId = 1311;
    static constexpr int kClaveUnidadId = 1312;
    static constexpr int kUnidadId = 1313;
    static constexpr int kObjetoImpId = 1314;

    explicit CArticuloFiscalBox(QWidget* parent = nullptr);

    void setValue(const ArticuloFiscal& value);
    ArticuloFiscal value() const;
    bool isEmpty() const;
    // Spanish, naming the datum; empty when the data can be stored.
    QString problem() const;

private:
    CTolEdit* m_prodServ;
    CSatCombo* m_unidad;
    CTolEdit* m_nombreUnidad;
    CSatCombo* m_objeto;
};
