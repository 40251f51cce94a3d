#include "cfdi/ui/ImpuestoFiscalBox.h"

#include "cfdi/ui/SatCombo.h"

#include <QFormLayout>

#include <cmath>

CImpuestoFiscalBox::CImpuestoFiscalBox(QWidget* parent) : QGroupBox(QStringLiteral("Para el SAT"), parent) {
    auto* form = new QFormLayout(this);
    form->setContentsMargins(6, 4, 6, 4);
    form->setVerticalSpacing(2);
    m_impuesto = new CSatCombo(SatCatalogs::impuestos(), true, false, this);
    m_impuesto->setObjectName(QString::number(kImpuestoId));
    m_tipoFactor = new QComboBox(this);
    m_tipoFactor->setObjectName(QString::number(kTipoFactorId));
    m_tipoFactor->addItem(QStringLiteral("Tasa"), QStringLiteral("Tasa"));
    m_tipoFactor->addItem(QStringLiteral("Exento"), QStringLiteral("Exento"));
    form->addRow(QStringLiteral("Impuesto:"), m_impuesto);
    form->addRow(QStringLiteral("Tipo factor:"), m_tipoFactor);
}

void CImpuestoFiscalBox::setValue(const ImpuestoFiscal& v) {
    static_cast<CSatCombo*>(m_impuesto)->setValue(v.impuesto);
    m_tipoFactor->setCurrentIndex(v.tipoFactor == "Exento" ? 1 : 0);
}

ImpuestoFiscal CImpuestoFiscalBox::value(double porcentaje) const {
    return {static_cast<CSatCombo*>(m_impuesto)->value(), m_tipoFactor->currentData().toString().toStdString(),
            std::round(porcentaje * 10000.0) / 1e6};
}

bool CImpuestoFiscalBox::isEmpty() const { return static_cast<CSatCombo*>(m_impuesto)->value().empty(); }

QString CImpuestoFiscalBox::problem(double porcentaje, bool retencion) const {
    const ImpuestoFiscal v = value(porcentaje);
    if (v.impuesto.empty())
        return {};
    if (v.impuesto == "001" && !retencion)
        return QStringLiteral("El ISR solo se retiene; márquelo como retención.");
    if (v.tipoFactor == "Exento" && retencion)
        return QStringLiteral("Una retención no puede ser exenta.");
    if (v.tipoFactor == "Exento" && porcentaje != 0)
        return QStringLiteral("Un impuesto exento lleva porcentaje 0.");
    return {};
}
