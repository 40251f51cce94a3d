#include "catalogs/ui/AddEditCliente.h"

#include "cfdi/FiscalStore.h"
#include "cfdi/ui/ClienteFiscalBox.h"
#include "db/ClientesSet.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Transaction.h"
#include "db/ui/DbErrorMessage.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& text) { return text.trimmed().toStdString(); }

} // namespace

CAddEditCliente::CAddEditCliente(Database& db, std::int32_t idCliente, QWidget* parent)
    : CCatalogEditor(QStringLiteral("Adicionar/Editar Clientes"), parent), m_db(db),
      m_set(std::make_unique<CClientesSet>(db)), m_idCliente(idCliente) {
    createControls();
    load();
}

CAddEditCliente::~CAddEditCliente() = default;

void CAddEditCliente::createControls() {
    setClientSize(dialogSize(262, 186));
    auto label = [this](const QString& text, int y) { addCaption(text, 7, y, 50); };
    auto edit = [this](int id, int x, int y, int w, int limit) { return addEdit(id, x, y, w, limit); };

    label(QStringLiteral("Nombre:"), 7);
    m_nombre = edit(kNombreId, 58, 7, 197, kNombreMax);
    label(QStringLiteral("Dirección:"), 22);
    for (int i = 0; i < 3; ++i)
        m_dom[i] = edit(kDom1Id + i, 58, 22 + 13 * i, 197, kDomMax);
    label(QStringLiteral("RFC:"), 65);
    m_rfc = edit(kRfcId, 58, 65, 90, kRfcMax);
    m_rfc->setUpperCase(true);
    label(QStringLiteral("Teléfono:"), 80);
    m_telefono = edit(kTelefonoId, 58, 80, 120, kTelefonoMax);
    label(QStringLiteral("Clasificación:"), 95);
    m_clasificacion = edit(kClasificacionId, 58, 95, 24, kClasificacionMax);
    m_clasificacion->setUpperCase(true);

    m_fiscal = new CClienteFiscalBox(this);
    m_fiscal->setGeometry(dialogRect(7, 108, 248, 58));

    addSaveButtons(146, 203, 167);
    m_nombre->setFocus();
}

void CAddEditCliente::load() {
    // Only this customer's row (none for a new one): the editor never walks the whole table.
    m_set->m_strFilter = "Id_Cliente = ?";
    m_set->m_filterParams = {std::int64_t{m_idCliente}};
    try {
        m_set->Open(OpenType::Dynaset);
    } catch (const DbError& e) {
        ShowDbError(e);
        return;
    }
    if (m_idCliente == 0)
        return;
    if (m_set->IsEOF()) {
        TolMessage(QStringLiteral("Upsss..."));
        // Nothing to edit: a save adds the customer again rather than failing on a missing row.
        m_idCliente = 0;
        return;
    }
    m_nombre->setText(q(m_set->m_Nombre));
    m_dom[0]->setText(q(m_set->m_Dom1));
    m_dom[1]->setText(q(m_set->m_Dom2));
    m_dom[2]->setText(q(m_set->m_Dom3));
    m_rfc->setText(q(m_set->m_RFC));
    m_telefono->setText(q(m_set->m_Telefono));
    m_clasificacion->setText(q(m_set->m_Clasificacion));
    try {
        if (const auto fiscal = CFiscalStore(m_db).cliente(m_idCliente))
            m_fiscal->setValue(*fiscal);
    } catch (const DbError& e) {
        ShowDbError(e);
    }
}

void CAddEditCliente::clearForNext() {
    for (CTolEdit* e : {m_nombre, m_dom[0], m_dom[1], m_dom[2], m_rfc, m_telefono, m_clasificacion})
        e->clear();
    m_fiscal->setValue({});
    m_nombre->setFocus();
}

bool CAddEditCliente::save() {
    if (m_nombre->text().trimmed().isEmpty()) {
        TolMessage(QStringLiteral("- ¡Faltan datos! -"));
        m_nombre->setFocus();
        return false;
    }
    if (const QString problem = m_fiscal->problem(m_rfc->text()); !problem.isEmpty()) {
        TolMessage(problem);
        m_fiscal->setFocus();
        return false;
    }
    const bool editing = m_idCliente != 0;
    try {
        if (!m_set->IsOpen())
            m_set->Open(OpenType::Dynaset);
        CFiscalStore fiscal(m_db);
        Transaction tx(m_db);
        if (editing)
            m_set->Edit();
        else
            m_set->AddNew();
        m_set->m_Nombre = s(m_nombre->text());
        m_set->m_Dom1 = s(m_dom[0]->text());
        m_set->m_Dom2 = s(m_dom[1]->text());
        m_set->m_Dom3 = s(m_dom[2]->text());
        m_set->m_RFC = s(m_rfc->text());
        m_set->m_Telefono = s(m_telefono->text());
        m_set->m_Clasificacion = s(m_clasificacion->text());
        m_set->Update();
        const auto id = editing ? m_idCliente : static_cast<std::int32_t>(m_set->GetLastModifiedBookmark());
        if (!m_fiscal->isEmpty() || fiscal.cliente(id))
            fiscal.saveCliente(id, m_fiscal->value());
        tx.commit();
        m_lastSaved = id;
    } catch (const DbError& e) {
        m_set->CancelUpdate();
        return ShowDbError(e, true) && save();
    }
    saved(editing);
    return true;
}
