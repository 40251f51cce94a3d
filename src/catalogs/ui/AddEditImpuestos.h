#pragma once

#include "catalogs/ui/CatalogEditor.h"

#include <cstdint>

class CImpuestoFiscalBox;
class CTolEdit;
class Database;
class QCheckBox;

// The tax editor ("Adicionar/Editar Impuestos"). Opened with an id it edits that tax (its
// withholding flag is fixed) and closes after one save; opened with 0 it adds taxes, staying open
// with its fields emptied after each save. Saving a changed tax recomputes, in the same
// transaction, the stored net price of every article that uses it.
class CAddEditImpuestos final : public CCatalogEditor {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAddEditImpuestos)
public:
    static constexpr int kDialogId = 145;
    static constexpr int kNombreId = 1069;
    static constexpr int kPorcentajeId = 1070;
    static constexpr int kRetencionId = 1071;

    // `idImpuesto` 0 adds taxes; otherwise that tax is loaded ("Upsss..." when it is gone, and the
    // editor then starts empty, as for a new one).
    CAddEditImpuestos(Database& db, std::int32_t idImpuesto, QWidget* parent = nullptr);
    ~CAddEditImpuestos() override;

    std::int32_t idImpuesto() const { return m_idImpuesto; }
    // Articles whose net price the last save recomputed.
    int articlesUpdated() const { return m_articlesUpdated; }

    // Guardar: false when the percentage was refused (with its message), the name is empty
    // (silently) or the database refused the row (with the engine's description).
    bool save() override;

private:
    void createControls();
    void load();
    void clearForNext() override;

    Database& m_db;
    std::int32_t m_idImpuesto;
    int m_articlesUpdated = 0;
    CTolEdit* m_nombre = nullptr;
    CTolEdit* m_porcentaje = nullptr;
    QCheckBox* m_retencion = nullptr;
    CImpuestoFiscalBox* m_fiscal = nullptr;
};
