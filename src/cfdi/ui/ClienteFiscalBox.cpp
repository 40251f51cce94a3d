#include "cfdi/ui/ClienteFiscalBox.h"

#include "cfdi/SatCatalogs.h"
#include "cfdi/ui/SatCombo.h"
#include "toolkit/ui/TolEdit.h"

#include <QFormLayout>

CClienteFiscalBox::CClienteFiscalBox(QWidget* parent) : QGroupBox(QStringLiteral("Datos fiscales (factura electrónica)"), parent) {
    auto* form = new QFormLayout(this);
    form->setContentsMargins(6, 4, 6, 4);
    form->setVerticalSpacing(2);
    m_cp = new CTolEdit(this);
    m_cp->setObjectName(QString::number(kCodigoPostalId));
    m_cp->setMaxLength(5);
    m_cp->setAcceptedChars(QStringLiteral("0123456789"));
    m_cp->setMaximumWidth(60);
    m_regimen = new CSatCombo(SatCatalogs::regimenesFiscales(), true, false, this);
    m_regimen->setObjectName(QString::number(kRegimenId));
    // Only the usos the SAT lets an invoice carry for the régimen chosen.
    m_uso = new CSatCombo(SatCatalogs::usosForInvoice({}), true, false, this);
    m_uso->setObjectName(QString::number(kUsoId));
    connect(m_regimen, &QComboBox::currentIndexChanged, this,
            [this] { m_uso->setEntries(SatCatalogs::usosForInvoice(m_regimen->value())); });
    form->addRow(QStringLiteral("C.P. fiscal:"), m_cp);
    form->addRow(QStringLiteral("Régimen:"), m_regimen);
    form->addRow(QStringLiteral("Uso CFDI:"), m_uso);
}

void CClienteFiscalBox::setValue(const ClienteFiscal& v) {
    m_cp->setText(QString::fromStdString(v.codigoPostal));
    m_regimen->setValue(v.regimenFiscal);
    m_uso->setValue(v.usoCfdi);
}

ClienteFiscal CClienteFiscalBox::value() const {
    return {m_cp->text().trimmed().toStdString(), m_regimen->value(), m_uso->value()};
}

bool CClienteFiscalBox::isEmpty() const {
    const ClienteFiscal v = value();
    return v.codigoPostal.empty() && v.regimenFiscal.empty() && v.usoCfdi.empty();
}

QString CClienteFiscalBox::problem(const QString& rfc) const {
    const ClienteFiscal v = value();
    if (!v.codigoPostal.empty() && !SatCatalogs::isCodigoPostal(v.codigoPostal))
        return QStringLiteral("El código postal fiscal debe tener cinco dígitos.");
    const std::string r = SatCatalogs::normalizeRfc(rfc.toStdString());
    if (!v.regimenFiscal.empty() && SatCatalogs::isRfc(r) && !SatCatalogs::regimenFitsRfc(v.regimenFiscal, r))
        return QStringLiteral("El régimen fiscal %1 no corresponde al RFC %2.")
            .arg(QString::fromStdString(v.regimenFiscal), QString::fromStdString(r));
    if (!v.regimenFiscal.empty() && !v.usoCfdi.empty() && !SatCatalogs::usoFitsRegimen(v.usoCfdi, v.regimenFiscal))
        return QStringLiteral("El uso del CFDI %1 no corresponde al régimen fiscal %2.")
            .arg(QString::fromStdString(v.usoCfdi), QString::fromStdString(v.regimenFiscal));
    return {};
}
