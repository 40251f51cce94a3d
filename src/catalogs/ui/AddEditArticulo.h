#pragma once

#include "catalogs/Articulo.h"
#include "catalogs/TaxTable.h"
#include "catalogs/ui/CatalogEditor.h"

#include <array>
#include <cstdint>

class CArticuloFiscalBox;
class CComboTabla;
class CPartida;
class CTolEdit;
class CTolTextEdit;
class Database;

// The article editor ("Adicionar/Editar Artículo"), in one of two modes.
//
// Catalogue mode: opened with an id it edits that article and closes after one save; opened with
// 0 it adds articles, staying open with its fields emptied after each save. It writes the row in
// a transaction; a refused save (a key already in use) shows the engine's description and keeps
// what was typed.
//
// Line mode: edits the key, description, price and four taxes of one invoice line, taking the
// rates from the catalogue as it is now; Guardar recalculates the line and closes. Nothing is
// written to the database.
//
// The net price shown is the catalogue's (tax 2 charged on tax 1); an invoice line computes its
// own.
class CAddEditArticulo final : public CCatalogEditor {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAddEditArticulo)
public:
    static constexpr int kDialogId = 148;
    static constexpr int kClaveId = 1076;
    static constexpr int kDescripcionId = 1069;
    static constexpr int kPrecioId = 1078;
    static constexpr int kPrecioNetoId = 1079;
    static constexpr int kImpuestoId = 1080;
    static constexpr int kImpExtraId = 1081;
    static constexpr int kRetencion1Id = 1082;
    static constexpr int kRetencion2Id = 1083;
    static constexpr int kObservacionesId = 1029;
    static constexpr int kClaveMax = 20;
    static constexpr int kDescripcionMax = 80;
    static constexpr const char* kNoAplica = "- No aplica -";

    // The four tax slots, in the order of their lists.
    enum Slot { kImp1 = 0, kImp2 = 1, kRet1 = 2, kRet2 = 3 };

    // Catalogue mode. `idArticulo` 0 adds articles, each starting with `defaultTax` as its tax
    // (0: none); otherwise that article is loaded ("Upsss..." when it is gone, and the editor then
    // adds instead).
    CAddEditArticulo(Database& db, std::int32_t idArticulo, std::int32_t defaultTax, QWidget* parent = nullptr);
    // Line mode on `line`, which is changed only by Guardar.
    CAddEditArticulo(Database& db, CPartida& line, QWidget* parent = nullptr);
    ~CAddEditArticulo() override;

    // Runs the editor in line mode: true when Guardar changed and recalculated `line`.
    static bool EditLine(Database& db, CPartida& line, QWidget* parent = nullptr);

    bool isLineMode() const { return m_line != nullptr; }
    std::int32_t idArticulo() const { return m_article.idArticulo; }
    // The values as the dialog holds them (price and net price as last read and computed).
    const Articulo& article() const { return m_article; }
    double rate(Slot slot) const { return m_rates[slot]; }

    // Guardar. Catalogue mode: false (with a message) when the key or description is missing or
    // the database refused the row. Line mode: always true.
    bool save() override;

private:
    void init();
    void createControls();
    void fillLists();
    void loadArticle();
    void loadLine();
    // Selects the entry of the slot's id, or none when the list does not hold it, and takes the
    // entry's rate.
    void selectSlot(Slot slot);
    std::int32_t& slotId(Slot slot);
    CComboTabla* list(Slot slot) const { return m_lists[slot]; }
    const CTaxTable& tableOf(Slot slot) const { return slot <= kImp2 ? m_taxes : m_withholdings; }
    void listChosen(Slot slot, int index);
    // The price box read (when the operator changed it) and the net price recomputed and shown.
    void readPrice();
    void recompute();
    void showPrices();
    void readTexts();
    void clearForNext() override;

    Database& m_db;
    CPartida* m_line = nullptr;
    std::int32_t m_defaultTax = 0;
    Articulo m_article;
    std::array<double, 4> m_rates{};
    CTaxTable m_taxes;
    CTaxTable m_withholdings;
    bool m_filling = false;
    QString m_shownPrice;  // the price text as we last showed it

    CTolEdit* m_clave = nullptr;
    CTolEdit* m_descripcion = nullptr;
    CTolEdit* m_precio = nullptr;
    CTolEdit* m_precioNeto = nullptr;
    std::array<CComboTabla*, 4> m_lists{};
    CTolTextEdit* m_observaciones = nullptr;
    CArticuloFiscalBox* m_fiscal = nullptr;
};
