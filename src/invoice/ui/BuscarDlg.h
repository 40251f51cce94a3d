#pragma once

#include "toolkit/ui/TolDialog.h"
#include "toolkit/ui/TolGridOwner.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class CDocumentosSet;
class CTolDatePicker;
class CTolEdit;
class CTolGrid;
class Database;
class QGroupBox;
struct DocumentFilter;

// The document search ("Busqueda de documentos"): stored documents listed by series, folio and
// date, narrowed by customer (chosen from the catalogue), series, folio or period; ends with OK and
// the chosen document's Id_Documento.
//
// The list's record set loads its keys once per search and fetches rows by page, so it opens on
// 100,000 documents at once and every paint reads only the rows it shows.
class CBuscarDlg final : public CTolDialog, public ITolGridOwner {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CBuscarDlg)
public:
    static constexpr int kDialogId = 156;
    static constexpr int kClienteId = 1000;
    static constexpr int kSerieId = 1008;
    static constexpr int kFolioId = 1009;
    static constexpr int kPeriodoId = 1111;
    static constexpr int kDesdeId = 1105;
    static constexpr int kHastaId = 1106;
    static constexpr int kBuscarId = 1021;
    static constexpr int kGridId = 1174;
    static constexpr int kSeleccionarId = 1108;
    static constexpr int kSalirId = 1067;
    static constexpr int kFiltroId = 1107;
    static constexpr int kLookupCommand = 1124;  // the customer edit's lookup button

    static constexpr int kColumns = 4;

    // Opens the list on every document. Throws DbError when the documents cannot be read.
    explicit CBuscarDlg(Database& db, QWidget* parent = nullptr);
    ~CBuscarDlg() override;

    // Runs the search modally: the chosen document's Id_Documento, or nothing when it was left
    // with "Salir" or Escape (or could not be opened, after saying why).
    static std::optional<std::int32_t> Choose(Database& db, QWidget* parent = nullptr);

    // The chosen document, valid after the dialog ended with OK (0 before).
    std::int32_t idDocumento() const { return m_idDocumento; }

    // The filter as the controls give it now (folio 0 and customer 0 mean none).
    DocumentFilter filter() const;
    // The customer the list is narrowed to (0 = none), as the lookup stored it.
    std::int32_t idCliente() const { return m_idCliente; }
    // Sets the customer filter, as choosing it in the catalogue does.
    void setCliente(std::int32_t idCliente, const QString& nombre);

    CTolGrid* grid() const { return m_grid; }
    // Documents listed (data rows of the grid).
    int resultCount() const;

    // "Buscar": queries the list again with the filter of the controls.
    void buscar();
    // "Seleccionar" on data row `row` (1-based): ends the dialog with OK and that document; does
    // nothing (false) for a row that is not a data row.
    bool seleccionar(int row);

    // The grid's owner.
    void tgmGetCellText(int gridId, TolGridCell& cell) override;
    void tgmRowActivate(int gridId, int row) override;

    void reject() override;

protected:
    void onCommand(int id) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void requery(const DocumentFilter& filter);
    bool moveTo(int row);
    // The four texts of data row `row`, read once per row while a paint asks for its cells.
    const std::array<QString, kColumns>& rowTexts(int row);
    void chooseCustomer();

    Database& m_db;
    std::unique_ptr<CDocumentosSet> m_set;
    std::int32_t m_idCliente = 0;
    std::int32_t m_idDocumento = 0;
    int m_cachedRow = 0;
    std::array<QString, kColumns> m_cached;

    CTolEdit* m_cliente = nullptr;
    CTolEdit* m_serie = nullptr;
    CTolEdit* m_folio = nullptr;
    QGroupBox* m_periodo = nullptr;
    CTolDatePicker* m_desde = nullptr;
    CTolDatePicker* m_hasta = nullptr;
    CTolGrid* m_grid = nullptr;
};
