#include "toolkit/ui/TolGridOwner.h"

ITolGridOwner::~ITolGridOwner() = default;

void ITolGridOwner::tgmSetCellText(int, const TolGridCell&) {}
void ITolGridOwner::tgmNewRowText(int, const TolGridCell&) {}
bool ITolGridOwner::tgmDeleteRows(int, int, int) { return false; }
bool ITolGridOwner::tgmAppendRow(int) { return false; }
void ITolGridOwner::tgmHeaderClick(int, int) {}
void ITolGridOwner::tgmFillList(int, const TolGridCell&, QStringList&) {}
void ITolGridOwner::tgmRowChanged(int, int) {}
void ITolGridOwner::tgmGetRowHeading(int, int, QString&) {}
void ITolGridOwner::tgmRowActivate(int, int) {}
