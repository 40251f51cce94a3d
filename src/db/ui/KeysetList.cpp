#include "db/ui/KeysetList.h"

#include "toolkit/ui/TolGrid.h"

#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

int toRows(long n) { return static_cast<int>(std::min<long>(n, std::numeric_limits<int>::max() - 1)); }

} // namespace

CKeysetList::CKeysetList(Database& db, CTolGrid* grid, QObject* parent) : QObject(parent), m_db(db), m_grid(grid) {}

CKeysetList::~CKeysetList() = default;

void CKeysetList::open(KeysetSource source, int keepRow) {
    m_source = std::move(source);
    m_pager.reset();
    auto pager = std::make_unique<KeysetPager>(m_db, m_source);
    pager->row(0);  // the first screen, and the whole list when it is short
    if (keepRow > 1 && !pager->knownCount() && keepRow > pager->windowEnd())
        pager->count();  // the row to return to lies beyond the rows read
    m_pager = std::move(pager);
    const long shown = m_pager->knownCount().value_or(m_pager->windowEnd());
    m_grid->setRowCount(toRows(shown));
    if (keepRow > 1 && shown > 0)
        m_grid->setCurrentCell(1, std::min(keepRow, toRows(shown)));
    m_grid->viewport()->update();
    followCount();
}

void CKeysetList::refresh(int keepRow) {
    if (!m_pager)
        return;
    open(m_source, keepRow);
}

void CKeysetList::close() {
    m_pager.reset();
    m_grid->setRowCount(0);
}

int CKeysetList::listed() const { return std::max(0, m_grid->rowCount() - 1); }

void CKeysetList::settleCount() {
    if (m_pager && !m_pager->knownCount())
        m_pager->count();
    showCount();
}

const KeysetRow* CKeysetList::rowOrThrow(int row) {
    if (!m_pager || row < 1 || row > listed())
        return nullptr;
    const KeysetRow* found = m_pager->row(row - 1);
    followCount();
    return found;
}

const KeysetRow* CKeysetList::row(int row) {
    try {
        return rowOrThrow(row);
    } catch (const std::exception&) {
        return nullptr;
    }
}

// The grid is never resized from inside a paint: the count is applied when the event loop is free.
void CKeysetList::followCount() {
    if (m_countQueued || !m_pager)
        return;
    if (m_pager->knownCount() && toRows(*m_pager->knownCount()) == listed())
        return;
    m_countQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_countQueued = false;
        try {
            settleCount();
        } catch (const std::exception&) {
            // The list keeps the length it shows; the rows beyond the end show empty.
        }
    });
}

void CKeysetList::showCount() {
    if (m_pager && m_pager->knownCount())
        m_grid->resizeRows(toRows(*m_pager->knownCount()));
}
