#include "cfdi/ui/ArticuloFiscalBox.h"

#include "cfdi/SatCatalogs.h"
#include "cfdi/ui/SatCombo.h"
#include "toolkit/ui/TolEdit.h"

#include <QGridLayout>
#include <QLabel>

CArticuloFiscalBox::CArticuloFiscalBox(QWidget* parent) : QGroupBox(QStringLiteral("Claves del SAT (factura electrónica)"), parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    m_prodServ = new CTolEdit(this);
    m_prodServ->setObjectName(QString::number(kClaveProdServId));
    m_prodServ->setMaxLength(8);
    m_prodServ->setMinimumWidth(m_prodServ->fontMetrics().horizontalAdvance(QStringLiteral("000000000")) + 8);
    m_prodServ->setAcceptedChars(QStringLiteral("0123456789"));
    m_prodServ->setPlaceholderText(QStringLiteral("01010101"));
    m_prodServ->setToolTip(QStringLiteral("Clave de producto o servicio del SAT, ocho dígitos (01010101 si ninguna corresponde)"));
    m_unidad = new CSatCombo(SatCatalogs::unidadesComunes(), true, true, this);
    m_unidad->setObjectName(QString::number(kClaveUnidadId));
    m_nombreUnidad = new CTolEdit(this);
    m_nombreUnidad->setObjectName(QString::number(kUnidadId));
    m_nombreUnidad->setMaxLength(20);
    m_objeto = new CSatCombo(SatCatalogs::objetosImp(), false, false, this);
    m_objeto->setObjectName(QString::number(kObjetoImpId));
    m_objeto->setValue("02");
    grid->addWidget(new QLabel(QStringLiteral("Clave SAT:"), this), 0, 0);
    grid->addWidget(m_prodServ, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Unidad:"), this), 0, 2);
    grid->addWidget(m_unidad, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Nombre unidad:"), this), 1, 0);
    grid->addWidget(m_nombreUnidad, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Objeto imp.:"), this), 1, 2);
    grid->addWidget(m_objeto, 1, 3);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 3);
    // Choosing a listed unit fills its name when none was typed.
    connect(m_unidad, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (m_nombreUnidad->text().trimmed().isEmpty() && index > 0)
            m_nombreUnidad->setText(m_unidad->itemText(index).section(QStringLiteral(" - "), 1));
    });
}

void CArticuloFiscalBox::setValue(const ArticuloFiscal& v) {
    m_prodServ->setText(QString::fromStdString(v.claveProdServ));
    m_unidad->setValue(v.claveUnidad);
    m_nombreUnidad->setText(QString::fromStdString(v.unidad));
    m_objeto->setValue(v.objetoImp.empty() ? "02" : v.objetoImp);
}

ArticuloFiscal CArticuloFiscalBox::value() const {
    return {m_prodServ->text().trimmed().toStdString(), m_unidad->value(),
            m_nombreUnidad->text().simplified().toStdString(), m_objeto->value()};
}

bool CArticuloFiscalBox::isEmpty() const {
    const ArticuloFiscal v = value();
    return v.claveProdServ.empty() && v.claveUnidad.empty() && v.unidad.empty();
}

QString CArticuloFiscalBox::problem() const {
    const ArticuloFiscal v = value();
    if (!v.claveProdServ.empty() && !SatCatalogs::isClaveProdServ(v.claveProdServ))
        return QStringLiteral("La clave de producto o servicio del SAT debe tener ocho dígitos (01010101 si ninguna corresponde).");
    if (!v.claveUnidad.empty() && !SatCatalogs::isClaveUnidad(v.claveUnidad))
        return QStringLiteral("La clave de unidad del SAT «%1» no es válida.").arg(QString::fromStdString(v.claveUnidad));
    if (v.unidad.find('|') != std::string::npos)
        return QStringLiteral("El nombre de la unidad no puede llevar «|».");
    return {};
}
