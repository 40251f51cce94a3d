#pragma once

#include <QString>
#include <QStringList>

// The grid's messages to its owner, by number; each has a function of ITolGridOwner below.
enum TolGridMessage : int {
    TGM_GETCELLTEXT = 1144,
    TGM_SETCELLTEXT = 1145,
    TGM_NEWROWTEXT = 1146,
    TGM_DELETEROWS = 1147,
    TGM_APPENDROW = 1148,
    TGM_HEADERCLICK = 1149,
    TGM_FILLLIST = 1150,
    TGM_ROWCHANGED = 1151,
    TGM_EDITKEY = 1152,
    TGM_EDITLOST = 1153,
    TGM_GETROWHEADING = 1154,
    TGM_ROWACTIVATE = 1155,
};

// One cell as the grid and its owner exchange it. Rows count from 1 (the row whose number equals
// the grid's row count is the append row); columns count from 1 (0 is the row-heading column).
struct TolGridCell {
    int row = 0;
    int column = 0;
    QString text;
};

// What a CTolGrid asks of and tells to its owner. `gridId` is the grid's control id, so one owner
// can serve several grids. "Posted" calls arrive from the event loop after the grid's own work is
// done, so the owner may close its dialog there. Only the cell text is mandatory; the rest default
// to doing nothing and refusing.
class ITolGridOwner {
public:
    virtual ~ITolGridOwner();

    // TGM_GETCELLTEXT: fill cell.text for the data cell (row, column). Asked for every visible data
    // cell at each paint and before editing, so it must be cheap (no query per call).
    virtual void tgmGetCellText(int gridId, TolGridCell& cell) = 0;
    // TGM_SETCELLTEXT: a data cell now has cell.text (edit committed, check box toggled, Delete).
    virtual void tgmSetCellText(int gridId, const TolGridCell& cell);
    // TGM_NEWROWTEXT: a cell of the append row was committed with cell.text.
    virtual void tgmNewRowText(int gridId, const TolGridCell& cell);
    // TGM_DELETEROWS: delete data rows first..last (first <= last). Answer true when they are gone
    // and the grid should lower its row count by last - first + 1; an owner that sets the row
    // count itself (after a requery) answers false.
    virtual bool tgmDeleteRows(int gridId, int first, int last);
    // TGM_APPENDROW: the operator leaves the append row after a commit; answer true to accept it as
    // a new data row (the grid then grows by one row and forgets its append-row texts).
    virtual bool tgmAppendRow(int gridId);
    // TGM_HEADERCLICK: the heading of `column` was clicked (sent on release of the button).
    virtual void tgmHeaderClick(int gridId, int column);
    // TGM_FILLLIST: a drop-down cell is about to open; put its choices into `items`.
    virtual void tgmFillList(int gridId, const TolGridCell& cell, QStringList& items);
    // TGM_ROWCHANGED (posted): the current row is now `row` (0 when a row heading was pressed).
    virtual void tgmRowChanged(int gridId, int row);
    // TGM_GETROWHEADING: fill `heading` for data row `row` (only with owner-supplied headings).
    virtual void tgmGetRowHeading(int gridId, int row, QString& heading);
    // TGM_ROWACTIVATE (posted): row-select look, Enter or a double-click on data row `row`.
    virtual void tgmRowActivate(int gridId, int row);
};
