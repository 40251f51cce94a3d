#pragma once

#include "invoice/Lineas.h"
#include "toolkit/ui/TolGrid.h"

#include <functional>
#include <optional>
#include <string>

class Database;

// The detail grid of the invoice: the toolkit grid over the form's lines. It answers the grid's
// requests from the line table and applies the editing rules of CLineas cell by cell; every
// change of amounts is announced with recalcTotals().
class CDetalle final : public CTolGrid, private ITolGridOwner {
    Q_OBJECT
public:
    static constexpr int kId = 1011;

    CDetalle(QWidget* parent, CLineas& lines);

    // The columns from the extra fields of `db`; built when the form opens and after the
    // configuration changed them.
    void BuildColumns(Database& db);
    // The grid follows the line table after it was cleared or filled by a load.
    void SyncRows();

    // The article catalogue in selection mode (F2 on the key): the chosen key, or nothing when
    // cancelled. The article dialog on a line (F2 on the price): true on OK. Until they are set,
    // F2 on those cells does what a cancelled dialog does.
    std::function<std::optional<std::string>()> pickArticle;
    std::function<bool(CPartida&)> editArticle;

    CLineas& lines() { return m_lines; }

Q_SIGNALS:
    void recalcTotals();

protected:
    void commitHook(TolGridCell& cell, int& key) override;
    bool keyHandler(int key, bool filtered) override;
    int keyFilter(int key) override;

private:
    void tgmGetCellText(int gridId, TolGridCell& cell) override;
    void tgmSetCellText(int gridId, const TolGridCell& cell) override;
    void tgmNewRowText(int gridId, const TolGridCell& cell) override;
    bool tgmDeleteRows(int gridId, int first, int last) override;
    bool tgmAppendRow(int gridId) override;

    void apply(const CLineas::CommitResult& result, TolGridCell& cell, int& key);

    CLineas& m_lines;
};
