#pragma once

#include "db/DbValue.h"

#include <QComboBox>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <vector>

class Database;

// A drop-down list filled from one column of a table, translating between the entry the operator
// picks and the record's id. The owning dialog sets the database and the five texts, calls Fill,
// preselects an entry by id and reads back the id (and one extra column) of the picked entry.
//
// Each entry keeps its record's key, so two records with the same name stay apart and a name with
// quotes is just text. The condition's values are bound, never pasted into the SQL.
class CComboTabla final : public QComboBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CComboTabla)
public:
    explicit CComboTabla(QWidget* parent = nullptr);
    ~CComboTabla() override;

    // ---- configuration, set before Fill ----
    void SetDatabase(Database& db) { m_db = &db; }
    // Column listed, sorted on (Spanish order) and shown; normally "Nombre".
    void SetDisplayColumn(const QString& column) { m_display = column; }
    void SetTable(const QString& table) { m_table = table; }
    // The 32-bit integer id column.
    void SetKeyColumn(const QString& column) { m_key = column; }
    // Text placed after the table name, normally " WHERE Ticket=0"; its "?" take `params`.
    void SetCondition(const QString& condition, std::vector<DbValue> params = {});
    // Text placed after the two selected columns, normally ",Porcentaje"; may be empty.
    void SetExtraColumns(const QString& columns) { m_extra = columns; }

    // Empties the list and reloads it from the table in display order (ties by key). Throws DbError
    // with the engine's description when the query fails; the list is then empty.
    void Fill();

    // The id of the selected entry; -1 when nothing is selected, the list was never filled, or
    // the record is gone (or no longer meets the condition) since Fill. Throws DbError.
    std::int32_t GetSelectedKey() const;
    // The first extra column of the selected entry's record as it is stored now; an invalid
    // QVariant when there is no such record or no extra column. Throws DbError.
    QVariant GetSelectedExtra() const;
    // Selects the entry of the record `id`; an id that is not listed leaves the selection as it was.
    void SelectByKey(std::int32_t id);

private:
    // The selected record read again: false when there is none.
    bool readSelected(std::int32_t* key, QVariant* extra) const;
    QString selectSql() const;

    Database* m_db = nullptr;
    QString m_display;
    QString m_table;
    QString m_key;
    QString m_condition;
    std::vector<DbValue> m_conditionParams;
    QString m_extra;
    bool m_filled = false;
};
