#include "catalogs/ui/AddEditArticulo.h"

#include "catalogs/ArticulosCatalog.h"
#include "catalogs/ui/ComboTabla.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/ui/ArticuloFiscalBox.h"
#include "db/DbError.h"
#include "db/ui/DbErrorMessage.h"
#include "invoice/MoneyText.h"
#include "invoice/Partida.h"
#include "platform/ui/ParseMoney.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "toolkit/ui/TolTextEdit.h"

namespace {

const QString kTitle = QStringLiteral("Adicionar/Editar Artículo");

QString q(const std::string& s) { return QString::fromStdString(s); }

// Keys compare as the key index does: ASCII letters without regard to case.
bool sameKey(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

} // namespace

CAddEditArticulo::CAddEditArticulo(Database& db, std::int32_t idArticulo, std::int32_t defaultTax, QWidget* parent)
    : CCatalogEditor(kTitle, parent), m_db(db), m_defaultTax(defaultTax) {
    m_article.idArticulo = idArticulo;
    init();
    loadArticle();
}

CAddEditArticulo::CAddEditArticulo(Database& db, CPartida& line, QWidget* parent)
    : CCatalogEditor(kTitle, parent), m_db(db), m_line(&line) {
    init();
    loadLine();
}

CAddEditArticulo::~CAddEditArticulo() = default;

bool CAddEditArticulo::EditLine(Database& db, CPartida& line, QWidget* parent) {
    CAddEditArticulo editor(db, line, parent);
    return editor.exec() == QDialog::Accepted;
}

void CAddEditArticulo::init() {
    createControls();
    fillLists();
}

void CAddEditArticulo::createControls() {
    setClientSize(dialogSize(262, 204));
    addCaption(QStringLiteral("Clave:"), 7, 7, 50);
    m_clave = addEdit(kClaveId, 60, 7, 90, kClaveMax);
    m_clave->setUpperCase(true);
    addCaption(QStringLiteral("Descripción:"), 7, 22, 50);
    m_descripcion = addEdit(kDescripcionId, 60, 22, 195, kDescripcionMax);
    addCaption(QStringLiteral("Precio:"), 7, 37, 50);
    m_precio = addEdit(kPrecioId, 60, 37, 70, 30);
    m_precio->setAlignment(Qt::AlignRight);
    connect(m_precio, &QLineEdit::editingFinished, this, [this] {
        readPrice();
        showPrices();
    });
    addCaption(QStringLiteral("Precio neto:"), 137, 37, 47);
    m_precioNeto = addEdit(kPrecioNetoId, 185, 37, 70);
    m_precioNeto->setAlignment(Qt::AlignRight);
    m_precioNeto->setReadOnly(true);
    m_precioNeto->setBackColor(palette().color(QPalette::Window));
    // Shown, never typed: Tab and Enter pass it by.
    m_precioNeto->setFocusPolicy(Qt::ClickFocus);

    const char* captions[4] = {"Impuesto:", "Imp. Extra:", "Retención 1:", "Retención 2:"};
    const int ids[4] = {kImpuestoId, kImpExtraId, kRetencion1Id, kRetencion2Id};
    for (int i = 0; i < 4; ++i) {
        const int x = i % 2 == 0 ? 7 : 137;
        const int y = i < 2 ? 53 : 69;
        addCaption(QString::fromUtf8(captions[i]), x, y, i % 2 == 0 ? 50 : 47);
        auto* combo = new CComboTabla(this);
        setId(combo, ids[i]);
        combo->setGeometry(dialogRect(i % 2 == 0 ? 60 : 185, y, 70, 12));
        const auto slot = static_cast<Slot>(i);
        connect(combo, &QComboBox::currentIndexChanged, this, [this, slot](int index) { listChosen(slot, index); });
        m_lists[static_cast<std::size_t>(i)] = combo;
    }

    m_observaciones = new CTolTextEdit(this);
    setId(m_observaciones, kObservacionesId);
    m_observaciones->setGeometry(dialogRect(7, 87, 248, 52));
    m_observaciones->setCaption(QStringLiteral("Observaciones"));
    m_observaciones->setTabChangesFocus(true);

    m_fiscal = new CArticuloFiscalBox(this);
    m_fiscal->setGeometry(dialogRect(7, 142, 248, 38));

    addSaveButtons(148, 203, 184);
    m_clave->setFocus();
}

void CAddEditArticulo::fillLists() {
    m_filling = true;
    try {
        m_taxes = CTaxTable::Load(m_db, false);
        m_withholdings = CTaxTable::Load(m_db, true);
        for (int i = 0; i < 4; ++i) {
            CComboTabla* combo = m_lists[static_cast<std::size_t>(i)];
            combo->SetDatabase(m_db);
            combo->SetTable(QStringLiteral("Impuestos"));
            combo->SetDisplayColumn(QStringLiteral("Nombre"));
            combo->SetKeyColumn(QStringLiteral("Id_Impuesto"));
            combo->SetCondition(i <= kImp2 ? QStringLiteral(" WHERE Retencion = 0") : QStringLiteral(" WHERE Retencion <> 0"));
            combo->Fill();
        }
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    // "None" is entry 0 of every list, with id 0 and rate 0.
    for (CComboTabla* combo : m_lists) {
        combo->insertItem(0, QString::fromUtf8(kNoAplica), QVariant(qlonglong(0)));
        combo->setCurrentIndex(-1);
    }
    m_filling = false;
}

std::int32_t& CAddEditArticulo::slotId(Slot slot) {
    switch (slot) {
    case kImp1: return m_article.idImp1;
    case kImp2: return m_article.idImp2;
    case kRet1: return m_article.idRet1;
    default: return m_article.idRet2;
    }
}

void CAddEditArticulo::selectSlot(Slot slot) {
    const std::int32_t id = slotId(slot);
    m_filling = true;
    CComboTabla* combo = list(slot);
    // An id the list does not hold (a tax deleted since) selects nothing, counts as rate 0, and
    // is kept unless the operator chooses another entry.
    combo->setCurrentIndex(combo->findData(QVariant(qlonglong(id))));
    m_filling = false;
    m_rates[slot] = tableOf(slot).rateOf(id);
}

void CAddEditArticulo::listChosen(Slot slot, int index) {
    if (m_filling || index < 0)
        return;
    const std::int32_t id = static_cast<std::int32_t>(list(slot)->itemData(index).toLongLong());
    slotId(slot) = id;
    m_rates[slot] = tableOf(slot).rateOf(id);
    recompute();
    showPrices();
}

void CAddEditArticulo::loadArticle() {
    if (m_article.idArticulo == 0) {
        clearForNext();
        return;
    }
    std::optional<Articulo> stored;
    try {
        stored = CArticulosCatalog::Load(m_db, m_article.idArticulo);
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    if (!stored) {
        TolMessage(QStringLiteral("Upsss..."));
        // Nothing to edit: what is typed now is a new article rather than a save onto a missing row.
        clearForNext();
        return;
    }
    m_article = *stored;
    m_clave->setText(q(m_article.clave));
    m_descripcion->setText(q(m_article.descripcion));
    m_observaciones->setPlainText(q(m_article.observaciones));
    try {
        if (const auto fiscal = CFiscalStore(m_db).articulo(m_article.idArticulo))
            m_fiscal->setValue(*fiscal);
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    for (Slot slot : {kImp1, kImp2, kRet1, kRet2})
        selectSlot(slot);
    recompute();
    showPrices();
}

void CAddEditArticulo::loadLine() {
    const CPartida& line = *m_line;
    m_article.clave = line.Clave;
    m_article.descripcion = line.Descripcion;
    m_article.precio = line.Precio;
    m_article.idImp1 = line.Id_Imp1;
    m_article.idImp2 = line.Id_Imp2;
    m_article.idRet1 = line.Id_Ret1;
    m_article.idRet2 = line.Id_Ret2;
    m_clave->setText(q(m_article.clave));
    m_descripcion->setText(q(m_article.descripcion));
    // The line's own notes are edited from its description cell; here there are none to edit.
    m_observaciones->setEnabled(false);
    // A line carries no SAT keys of its own: they belong to its article.
    m_fiscal->setEnabled(false);
    // The rates as the catalogue has them now, not as the line copied them.
    for (Slot slot : {kImp1, kImp2, kRet1, kRet2})
        selectSlot(slot);
    recompute();
    showPrices();
}

void CAddEditArticulo::readPrice() {
    const QString text = m_precio->text();
    // An untouched box keeps the price at its full precision rather than its rounded text.
    if (text != m_shownPrice)
        m_article.precio = ParseMoney(text);
    recompute();
}

void CAddEditArticulo::recompute() {
    m_article.precioNeto = CArticulosCatalog::NetPrice(m_article.precio, m_rates[kImp1], m_rates[kImp2], m_rates[kRet1],
                                                       m_rates[kRet2]);
}

void CAddEditArticulo::showPrices() {
    m_shownPrice = q(FormatMoney(m_article.precio));
    m_precio->setText(m_shownPrice);
    m_precioNeto->setText(q(FormatMoney(m_article.precioNeto)));
}

void CAddEditArticulo::readTexts() {
    m_article.clave = m_clave->text().trimmed().toStdString();
    m_article.descripcion = m_descripcion->text().trimmed().toStdString();
    m_article.observaciones = m_observaciones->toPlainText().toStdString();
}

void CAddEditArticulo::clearForNext() {
    m_article = Articulo{};
    // New articles carry the usual tax, when the catalogue still has it.
    if (m_taxes.contains(m_defaultTax))
        m_article.idImp1 = m_defaultTax;
    for (Slot slot : {kImp1, kImp2, kRet1, kRet2})
        selectSlot(slot);
    m_clave->clear();
    m_descripcion->clear();
    m_observaciones->clear();
    m_fiscal->setValue({});
    recompute();
    showPrices();
    m_clave->setFocus();
}

bool CAddEditArticulo::save() {
    readPrice();
    showPrices();
    readTexts();
    if (!CArticulosCatalog::PriceInRange(m_article.precio)) {
        TolMessage(QString::fromUtf8(CArticulosCatalog::kMsgPrecioFueraDeRango));
        m_precio->setFocus();
        return false;
    }
    if (m_line) {
        CPartida& line = *m_line;
        // A key that no longer names the line's article makes it a free key, as typing it would.
        if (!sameKey(line.Clave, m_article.clave))
            line.Id_Articulo = 0;
        line.Clave = m_article.clave;
        line.Descripcion = m_article.descripcion;
        line.Id_Imp1 = m_article.idImp1;
        line.Id_Imp2 = m_article.idImp2;
        line.Id_Ret1 = m_article.idRet1;
        line.Id_Ret2 = m_article.idRet2;
        line.Precio = m_article.precio;
        line.pI1 = m_rates[kImp1];
        line.pI2 = m_rates[kImp2];
        line.pR1 = m_rates[kRet1];
        line.pR2 = m_rates[kRet2];
        line.Recalculate();
        saved(true);
        return true;
    }
    if (const std::string message = CArticulosCatalog::Validate(m_article); !message.empty()) {
        TolMessage(q(message));
        (m_article.clave.empty() ? m_clave : m_descripcion)->setFocus();
        return false;
    }
    if (const QString problem = m_fiscal->problem(); !problem.isEmpty()) {
        TolMessage(problem);
        m_fiscal->setFocus();
        return false;
    }
    const bool editing = m_article.idArticulo != 0;
    Articulo stored = m_article;
    try {
        // The fiscal data go in the article's own transaction: a failure leaves neither. The store
        // is made first, as it may add its tables in a transaction of its own.
        CFiscalStore fiscal(m_db);
        CArticulosCatalog::Save(m_db, stored, [&](std::int32_t id) {
            if (!m_fiscal->isEmpty() || fiscal.articulo(id))
                fiscal.saveArticulo(id, m_fiscal->value());
        });
    } catch (const DbError& e) {
        return ShowDbError(e, true) && save();
    }
    saved(editing);
    return true;
}
