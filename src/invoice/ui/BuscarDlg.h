#pragma once

#include "platform/ui/DocumentListDlg.h"

#include <cstdint>
#include <optional>

class CTolDatePicker;
class QGroupBox;
struct DocumentFilter;

// The document search ("Busqueda de documentos"): stored documents listed by series, folio and
// date, narrowed by customer (chosen from the catalogue), series, folio or period; ends with OK and
// the chosen document's Id_Documento.
//
// The list reads a window of rows by seeks on series, folio, date and id (see CKeysetList), so it
// opens on a million documents at once and every paint reads only the rows it shows.
class CBuscarDlg final : public CDocumentListDlg {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CBuscarDlg)
public:
    static constexpr int kDialogId = 156;
    static constexpr int kPeriodoId = 1111;
    static constexpr int kDesdeId = 1105;
    static constexpr int kHastaId = 1106;
    static constexpr int kBuscarId = 1021;
    static constexpr int kGridId = 1174;
    static constexpr int kSeleccionarId = 1108;
    static constexpr int kSalirId = 1067;
    static constexpr int kFiltroId = 1107;

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

    // Documents listed (data rows of the grid; see documentsListed()).
    int resultCount() const { return documentsListed(); }

    // "Buscar": queries the list again with the filter of the controls.
    void buscar();
    // "Seleccionar" on data row `row` (1-based): ends the dialog with OK and that document; does
    // nothing (false) for a row that is not a data row.
    bool seleccionar(int row);

    // The grid's owner.
    void tgmRowActivate(int gridId, int row) override;

protected:
    void showEvent(QShowEvent* event) override;
    void rowTexts(QStringList& texts) const override;
    void chooseCustomer() override;

private:
    void createControls();
    void requery(const DocumentFilter& filter);

    std::int32_t m_idDocumento = 0;
    QGroupBox* m_periodo = nullptr;
    CTolDatePicker* m_desde = nullptr;
    CTolDatePicker* m_hasta = nullptr;
};
