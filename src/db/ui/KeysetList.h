#pragma once

#include "db/KeysetPager.h"

#include <QObject>

#include <memory>
#include <string>
#include <vector>

class CTolGrid;
class Database;

// A row-select CTolGrid over a KeysetPager: opening shows the first rows at once, with a scroll bar
// as long as the rows read; the rows are counted when the event loop is next free, and the scroll
// bar settles then without moving the current row. Each paint reads only the rows it shows, near
// rows by seeks from the window, the first and last screens directly.
class CKeysetList final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CKeysetList)
public:
    CKeysetList(Database& db, CTolGrid* grid, QObject* parent = nullptr);
    ~CKeysetList() override;

    // Lists `source` from its first row; `keepRow` (1-based, 0 for none) puts the current row back
    // there or on the last row. Throws DbError, leaving the list closed.
    void open(KeysetSource source, int keepRow = 0);
    // Reads the source again, as after a change to its rows.
    void refresh(int keepRow = 0);
    // Forgets the rows; the grid is left empty.
    void close();
    bool isOpen() const { return m_pager != nullptr; }

    // Data rows of the grid (provisional until the count is known).
    int listed() const;
    bool countKnown() const { return m_pager && m_pager->knownCount().has_value(); }
    // Counts the rows now if that is still pending. Throws DbError.
    void settleCount();

    // Data row `row` (1-based) of the grid; nullptr when there is none or it cannot be read (a
    // paint neither throws nor speaks).
    const KeysetRow* row(int row);
    // The same, throwing DbError when the row cannot be read.
    const KeysetRow* rowOrThrow(int row);
    // The identifier of a row.
    DbValue key(const KeysetRow& row) const { return m_pager->key(row); }
    // The names of a row's values.
    const std::vector<std::string>& columns() const { return m_pager->columns(); }
    const KeysetSource& source() const { return m_source; }

private:
    void followCount();
    void showCount();

    Database& m_db;
    CTolGrid* m_grid;
    KeysetSource m_source;
    std::unique_ptr<KeysetPager> m_pager;
    bool m_countQueued = false;
};
