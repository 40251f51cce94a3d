#pragma once

#include "catalogs/ui/CatalogEditor.h"

#include <cstdint>
#include <memory>

class CClienteFiscalBox;
class CClientesSet;
class CTolEdit;
class Database;

// The customer editor ("Adicionar/Editar Clientes"). Opened with an id it edits that customer and
// closes after one save; opened with 0 it adds customers, staying open after each save with its
// fields emptied for the next one. It writes the row itself, in a transaction: a failed save shows
// the engine's description and leaves the editor open with what was typed.
class CAddEditCliente final : public CCatalogEditor {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAddEditCliente)
public:
    static constexpr int kDialogId = 151;
    static constexpr int kNombreId = 1069;
    static constexpr int kDom1Id = 1001;
    static constexpr int kDom2Id = 1002;
    static constexpr int kDom3Id = 1003;
    static constexpr int kRfcId = 1004;
    static constexpr int kTelefonoId = 1076;
    static constexpr int kClasificacionId = 1009;

    // Length limits of the fields, characters.
    static constexpr int kNombreMax = 100;
    static constexpr int kDomMax = 80;
    static constexpr int kRfcMax = 25;
    static constexpr int kTelefonoMax = 35;
    static constexpr int kClasificacionMax = 3;

    // `idCliente` 0 adds new customers; otherwise that customer is loaded ("Upsss..." when it is
    // not there any more, and Guardar then adds it anew).
    CAddEditCliente(Database& db, std::int32_t idCliente, QWidget* parent = nullptr);
    ~CAddEditCliente() override;

    std::int32_t idCliente() const { return m_idCliente; }
    // The id of the last customer written by Guardar (0 when none was).
    std::int32_t lastSavedId() const { return m_lastSaved; }

    // Guardar: false (with a message) when the name is missing or the database refused the row.
    bool save() override;

private:
    void createControls();
    void load();
    void clearForNext() override;

    Database& m_db;
    std::unique_ptr<CClientesSet> m_set;
    std::int32_t m_idCliente;
    std::int32_t m_lastSaved = 0;
    CTolEdit* m_nombre = nullptr;
    CTolEdit* m_dom[3] = {};
    CTolEdit* m_rfc = nullptr;
    CTolEdit* m_telefono = nullptr;
    CTolEdit* m_clasificacion = nullptr;
    CClienteFiscalBox* m_fiscal = nullptr;
};
