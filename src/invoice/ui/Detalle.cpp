#include "invoice/ui/Detalle.h"

#include "invoice/ui/NotasDlg.h"
#include "toolkit/ui/TolMessageDlg.h"

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& q) { return q.toStdString(); }
} // namespace

CDetalle::CDetalle(QWidget* parent, CLineas& lines) : CTolGrid(parent, kId, this), m_lines(lines) {
    setRowNumbers(true);
    setRowDeletion(true);
    setNewRows(true);
}

void CDetalle::BuildColumns(Database& db) {
    const auto columns = CLineas::Columns(db);
    // Element 0 is the row-heading column; the grid counts data columns.
    setColumnCount(static_cast<int>(columns.size()) - 1);
    setColumnWidth(0, columns[0].width);
    for (std::size_t i = 1; i < columns.size(); ++i) {
        const auto& c = columns[i];
        setColumn(static_cast<int>(i), q(c.title), c.width, c.readOnly,
                  c.alignment == 2 ? AlignRight : AlignLeft);
    }
    SyncRows();
}

void CDetalle::SyncRows() {
    if (isEditing())
        cancelEdit();
    clearAppendTexts();
    clearSelection();
    setRowCount(m_lines.LineCount()); // data rows; the grid adds its append row
    setCurrentCell(1, std::min(currentRow(), m_lines.RowCount()));
    viewport()->update();
}

void CDetalle::apply(const CLineas::CommitResult& r, TolGridCell& cell, int& key) {
    cell.text = q(r.text);
    switch (r.next) {
    case CLineas::Next::Key: break;
    case CLineas::Next::Stay: key = 0; break;
    case CLineas::Next::Right: key = Qt::Key_Right; break;
    case CLineas::Next::NextRow: key = KeyNextRow; break;
    }
    if (r.advanceColumn)
        setCurrentCell(currentColumn() + 1, currentRow());
    for (const auto& [column, text] : r.appendRowTexts)
        setAppendText(column, q(text));
    if (!r.message.empty())
        TolMessage(q(r.message));
    if (r.recalcTotals)
        Q_EMIT recalcTotals();
}

void CDetalle::commitHook(TolGridCell& cell, int& key) {
    const bool f2 = key == Qt::Key_F2;
    const std::string previous = s(savedText());
    switch (m_lines.DialogFor(cell.row, cell.column, f2)) {
    case CLineas::Dialog::ArticlePicker:
        if (const auto chosen = pickArticle ? pickArticle() : std::nullopt) {
            auto result = m_lines.CommitCell(cell.row, cell.column, *chosen, previous, false);
            if (result.next == CLineas::Next::Key)
                result.next = CLineas::Next::Right;
            apply(result, cell, key);
            return;
        }
        break;
    case CLineas::Dialog::Notes:
        if (const auto notes = CNotasDlg::Edit(q(m_lines.Notes(cell.row)), this))
            m_lines.SetNotes(cell.row, s(*notes));
        break;
    case CLineas::Dialog::ArticleEditor:
        if (CPartida* line = m_lines.LineAtRow(cell.row); line && editArticle && editArticle(*line)) {
            apply(m_lines.CommitEditedLine(cell.row, previous), cell, key);
            return;
        }
        break;
    case CLineas::Dialog::None:
        break;
    }
    apply(m_lines.CommitCell(cell.row, cell.column, s(cell.text), previous, f2), cell, key);
}

int CDetalle::keyFilter(int key) {
    if (key != Qt::Key_Delete || isReadOnly())
        return key;
    if (m_lines.IsAppendRow(currentRow())) {
        // Delete on the row being typed starts it over.
        clearAppendTexts();
        m_lines.ClearNewLine();
        setCurrentCell(1, currentRow());
        viewport()->update();
        Q_EMIT recalcTotals();
        return 0;
    }
    // On a line, Delete removes just that line.
    setSelection(currentRow(), currentRow());
    return key;
}

bool CDetalle::keyHandler(int key, bool filtered) {
    const bool consumed = CTolGrid::keyHandler(key, filtered);
    if (key == Qt::Key_Delete)
        Q_EMIT recalcTotals();
    return consumed;
}

void CDetalle::tgmGetCellText(int, TolGridCell& cell) { cell.text = q(m_lines.CellText(cell.row, cell.column)); }

void CDetalle::tgmSetCellText(int, const TolGridCell& cell) { m_lines.SetCellText(cell.row, cell.column, s(cell.text)); }

void CDetalle::tgmNewRowText(int, const TolGridCell& cell) { m_lines.SetCellText(cell.row, cell.column, s(cell.text)); }

bool CDetalle::tgmDeleteRows(int, int first, int last) { return m_lines.DeleteLines(first, last); }

bool CDetalle::tgmAppendRow(int) {
    const auto result = m_lines.CommitNewLine();
    if (!result.message.empty())
        TolMessage(q(result.message));
    return result.accepted;
}
