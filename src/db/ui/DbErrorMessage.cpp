#include "db/ui/DbErrorMessage.h"

#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "toolkit/ui/TolMessageDlg.h"

bool ShowDbError(const std::exception& error, bool retry, bool retryLost) {
    const QString text = QString::fromStdString(DbErrorText(error));
    const auto* db = dynamic_cast<const DbError*>(&error);
    if (retry && db && (IsDbBusy(*db) || (retryLost && db->code() == DbError::kServer)))
        return TolMessage(text, QStringLiteral("Reintentar"), QStringLiteral("Cancelar")) == 1;
    TolMessage(text);
    return false;
}
