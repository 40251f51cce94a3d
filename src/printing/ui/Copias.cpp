#include "printing/ui/Copias.h"

#include "catalogs/ui/ComboTabla.h"
#include "db/DbError.h"
#include "db/ui/DbErrorMessage.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

CTolEdit* NewCopiasEdit(QWidget* parent) {
    auto* edit = new CTolEdit(parent);
    edit->setAcceptedChars(QStringLiteral("0123456789"));
    edit->setMaxLength(2);
    edit->setAlignment(Qt::AlignRight);
    edit->setText(QString::number(kMinCopias));
    return edit;
}

std::optional<int> ReadCopias(const QString& text) {
    bool ok = false;
    const int copies = text.trimmed().toInt(&ok);
    if (!ok || copies < kMinCopias || copies > kMaxCopias)
        return std::nullopt;
    return copies;
}

QString CopiasRangeMessage() {
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(kMinCopias).arg(kMaxCopias);
}

std::optional<int> CheckCopias(CTolEdit& edit) {
    const std::optional<int> copies = ReadCopias(edit.text());
    if (!copies) {
        TolMessage(CopiasRangeMessage());
        edit.setFocus();
        edit.selectAll();
    }
    return copies;
}

void FillPageFormats(CComboTabla& list, Database& db) {
    list.SetDatabase(db);
    list.SetDisplayColumn(QStringLiteral("Nombre"));
    list.SetTable(QStringLiteral("Formatos"));
    list.SetKeyColumn(QStringLiteral("Id_Formato"));
    list.SetCondition(QStringLiteral(" WHERE Ticket=0"));
    try {
        list.Fill();
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    if (list.count() > 0)
        list.setCurrentIndex(0);
}

std::optional<std::int32_t> SelectedPageFormat(const CComboTabla& list) {
    try {
        return list.GetSelectedKey();
    } catch (const DbError& e) {
        ShowDbError(e);
        return std::nullopt;
    }
}
