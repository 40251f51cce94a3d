#pragma once

#include "db/KeysetPager.h"
#include "toolkit/ui/TolDialog.h"
#include "toolkit/ui/TolGridOwner.h"

#include <QString>

#include <exception>
#include <memory>
#include <string>
#include <vector>

class CDaoRecordset;
class CKeysetList;
class CTolButton;
class CTolEdit;
class CTolGrid;

// What the catalogue dialogs (customers, articles, taxes) share: a row-select grid over one table,
// read a window at a time in the catalogue's order (see CKeysetList), its rows loaded into the
// members of the catalogue's record set. The list is read again after every change, keeping the
// highlight where it was; it comes back when the dialog is shown again and is closed when the
// dialog ends. A row is deleted after the operator's yes; the Delete key does the same. A catalogue
// may have a "Buscar:" box that narrows the list when the operator leaves it.
class CCatalogDlg : public CTolDialog, public ITolGridOwner {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCatalogDlg)
public:
    static constexpr int kBuscarId = 1076;
    static constexpr int kGridId = 1063;
    static constexpr int kNuevoId = 1064;
    static constexpr int kEditarId = 1065;
    static constexpr int kEliminarId = 1066;
    static constexpr int kSeleccionarId = 1075;
    static constexpr int kSalirId = 1067;

    CTolGrid* grid() const { return m_grid; }
    // Records listed (data rows of the grid; the ones read so far until they are counted, when the
    // event loop is next free).
    int recordCount() const;
    // Counts the records now if that is still pending.
    void settleCount();
    // The search text in force.
    const QString& searchText() const { return m_search; }
    // Applies a search text, as leaving the "Buscar:" box does: the list narrows to the records
    // whose searched column holds it (ContainsPattern), all of them for an empty text, and the box
    // shows it. Returns whether the list was queried again (not for the text in force, nor in a
    // catalogue without the box).
    bool applySearch(const QString& text);

    // The list commands on data row `row` (1-based); each does nothing without a valid row.
    virtual void nuevo() = 0;
    virtual void editar(int row) = 0;
    // Deletes the record after the operator's yes; false when nothing was deleted.
    bool eliminar(int row);
    // Ends a picker with the record; a catalogue that does not pick does nothing (false).
    virtual bool seleccionar(int row);

    bool tgmDeleteRows(int gridId, int first, int last) override;
    void reject() override;

protected:
    // A modal catalogue captioned `title`.
    CCatalogDlg(const QString& title, QWidget* parent);
    ~CCatalogDlg() override;

    // The subclass's record set: never opened, it holds the members of the row in use.
    virtual CDaoRecordset& records() const = 0;

    // Lists `table` in `order` then by `keyColumn`, from the first row. Called by the subclass once
    // its grid exists. Throws DbError.
    void openList(const std::string& table, std::vector<KeysetOrder> order, const std::string& keyColumn);

    void showEvent(QShowEvent* event) override;

    // Queries the list again; `keepRow` (1-based) keeps the highlight on that row or the last one.
    void requery(int keepRow = 0);
    // The "Buscar:" box at the top left, searching fold(`column`) (see applySearch()). Created
    // before the grid, so that Tab and Enter go from one to the other.
    void createSearchBox(const std::string& column, int maxLength, const QString& toolTip);
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A button of the row under the list, 52 x 14 dialog units at (x, y): kNuevoId, kEditarId,
    // kEliminarId or kSeleccionarId run their command on the grid's current row, kSalirId leaves.
    CTolButton* addListButton(int id, int x, int y);

    bool validRow(int row) const;
    // Loads data row `row` into the record set's members; false when the row is gone. Throws DbError.
    bool moveTo(int row);
    // moveTo() that says what went wrong instead of throwing.
    bool tryMoveTo(int row);
    // For tgmGetCellText: empties the cell and moves to its row; false when the row is gone or
    // cannot be read (a paint neither throws nor speaks).
    bool moveToCell(TolGridCell& cell);
    // Closes the list, as a dialog that ends does.
    void closeList();

    static void showError(const std::exception& e);

    // Created by the subclass with its columns.
    CTolGrid* m_grid = nullptr;

private:
    bool isListOpen() const;
    // The list's source with its order as the database serves it now (see CatalogOrder::listOrder).
    KeysetSource currentSource(KeysetSource source) const;

    std::unique_ptr<CKeysetList> m_list;
    std::vector<KeysetOrder> m_order;  // as the subclass asked for it
    std::string m_searchColumn;
    CTolEdit* m_buscar = nullptr;
    QString m_search;
};
