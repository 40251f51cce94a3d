#include "catalogs/ui/AddEditImpuestos.h"

#include "catalogs/ImpuestosCatalog.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/ui/ImpuestoFiscalBox.h"
#include "db/DbError.h"
#include "db/ui/DbErrorMessage.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QCheckBox>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// The percentage as the operator typed it last: 16, 10.6667.
QString percentText(double value) { return QString::number(value, 'g', 15); }

} // namespace

CAddEditImpuestos::CAddEditImpuestos(Database& db, std::int32_t idImpuesto, QWidget* parent)
    : CCatalogEditor(QStringLiteral("Adicionar/Editar Impuestos"), parent), m_db(db), m_idImpuesto(idImpuesto) {
    createControls();
    load();
}

CAddEditImpuestos::~CAddEditImpuestos() = default;

void CAddEditImpuestos::createControls() {
    setClientSize(dialogSize(206, 118));
    addCaption(QStringLiteral("Nombre:"), 7, 7, 44);
    m_nombre = addEdit(kNombreId, 52, 7, 147, CImpuestosCatalog::kNombreMax);
    addCaption(QStringLiteral("Porcentaje:"), 7, 22, 44);
    m_porcentaje = addEdit(kPorcentajeId, 52, 22, 50, 20);
    m_porcentaje->setAlignment(Qt::AlignRight);
    m_porcentaje->setText(QStringLiteral("0"));
    m_retencion = new QCheckBox(QStringLiteral("Es retención"), this);
    setId(m_retencion, kRetencionId);
    m_retencion->setGeometry(dialogRect(52, 38, 80, 10));

    m_fiscal = new CImpuestoFiscalBox(this);
    m_fiscal->setGeometry(dialogRect(7, 53, 192, 38));

    addSaveButtons(90, 147, 97);
    m_nombre->setFocus();
}

void CAddEditImpuestos::load() {
    if (m_idImpuesto == 0)
        return;
    // Whether a tax adds or deducts is fixed once articles may use it.
    m_retencion->setEnabled(false);
    std::optional<Impuesto> tax;
    try {
        tax = CImpuestosCatalog::Load(m_db, m_idImpuesto);
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    if (!tax) {
        TolMessage(QStringLiteral("Upsss..."));
        // Nothing to edit: what is typed now is a new tax rather than a save onto a missing row.
        m_idImpuesto = 0;
        m_retencion->setEnabled(true);
        return;
    }
    m_nombre->setText(q(tax->nombre));
    m_porcentaje->setText(percentText(tax->porcentaje));
    m_retencion->setChecked(tax->retencion);
    try {
        if (const auto fiscal = CFiscalStore(m_db).impuesto(m_idImpuesto))
            m_fiscal->setValue(*fiscal);
    } catch (const DbError& e) {
        ShowDbError(e);
    }
}

void CAddEditImpuestos::clearForNext() {
    m_nombre->clear();
    m_porcentaje->setText(QStringLiteral("0"));
    m_retencion->setChecked(false);
    m_fiscal->setValue({});
    m_nombre->setFocus();
}

bool CAddEditImpuestos::save() {
    const CImpuestosCatalog::Percent percent = CImpuestosCatalog::ParsePercent(m_porcentaje->text().toStdString());
    if (!percent.value) {
        TolMessage(q(percent.message));
        m_porcentaje->setFocus();
        m_porcentaje->selectAll();
        return false;
    }
    const QString nombre = m_nombre->text().trimmed();
    if (nombre.isEmpty())
        return false;
    Impuesto tax;
    tax.idImpuesto = m_idImpuesto;
    tax.nombre = nombre.toStdString();
    tax.porcentaje = *percent.value;
    tax.retencion = m_retencion->isChecked();
    if (const QString problem = m_fiscal->problem(tax.porcentaje, tax.retencion); !problem.isEmpty()) {
        TolMessage(problem);
        m_fiscal->setFocus();
        return false;
    }
    const bool editing = m_idImpuesto != 0;
    try {
        // The fiscal data go in the tax's own transaction: a failure leaves neither. The store is
        // made first, as it may add its tables in a transaction of its own.
        CFiscalStore fiscal(m_db);
        m_articlesUpdated = CImpuestosCatalog::Save(m_db, tax, [&](std::int32_t id) {
            if (!m_fiscal->isEmpty() || fiscal.impuesto(id))
                fiscal.saveImpuesto(id, m_fiscal->value(tax.porcentaje));
        });
    } catch (const DbError& e) {
        return ShowDbError(e, true) && save();
    }
    saved(editing);
    return true;
}
