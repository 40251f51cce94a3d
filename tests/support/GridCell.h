#pragma once

#include "toolkit/ui/TolGridOwner.h"

#include <QString>

// The text a dialog's grid shows at (row, column), as the dialog gives it to the grid.
template <class Dialog>
QString GridCell(Dialog& dlg, int row, int column) {
    TolGridCell c;
    c.row = row;
    c.column = column;
    dlg.tgmGetCellText(Dialog::kGridId, c);
    return c.text;
}
