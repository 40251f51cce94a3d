#include "toolkit/ui/TolGrid.h"

#include "toolkit/ui/DropCell.h"
#include "toolkit/ui/EditCell.h"
#include "toolkit/ui/TolTextCache.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVarLengthArray>
#include <QWheelEvent>

namespace {

constexpr int kDefaultHeadingWidth = 20;
// A row number is drawn from 1 pixel to 5 pixels short of the heading column's right edge, whose
// last pixel is the grid line.
constexpr int kRowNumberMargins = 7;
constexpr int kDefaultColumnWidth = 60;
constexpr int kWheelNotch = 120;

int textFlags(int alignment) {
    switch (alignment) {
    case CTolGrid::AlignRight:
        return Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine;
    case CTolGrid::AlignCenter:
        return Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine;
    default:
        return Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    }
}

// A one-pixel line across or down, both ends included, as drawLine() with a one-pixel pen draws
// it; filled as a rectangle, which costs a fraction of what the line rasterizer does for the
// grid's long lines.
void drawAxisLine(QPainter& p, int x1, int y1, int x2, int y2, const QColor& color) {
    p.fillRect(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))), color);
}

bool isTypedText(const QString& text) {
    if (text.isEmpty())
        return false;
    const QChar c = text.at(0);
    return c.unicode() >= 32 && c.unicode() != 127 && (c.isPrint() || c.isHighSurrogate());
}

} // namespace

CTolGrid::CTolGrid(QWidget* parent, int id, ITolGridOwner* owner, bool horizontalScroll)
    : QAbstractScrollArea(parent), m_owner(owner), m_id(id) {
    setObjectName(QString::number(id));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setMouseTracking(true); // the size cursor over heading borders

    // The cell font is Arial with a 14-pixel cell height (ascent + descent), which is a 12-pixel
    // em; headings use the same face at weight 800.
    m_cellFont = QFont(QStringLiteral("Arial"));
    m_cellFont.setStyleHint(QFont::SansSerif);
    m_cellFont.setPixelSize(12);
    m_cellFont.setWeight(QFont::Normal);
    m_headingFont = m_cellFont;
    m_headingFont.setWeight(QFont::ExtraBold);


    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(horizontalScroll ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setObjectName(QString::number(VScrollId));
    horizontalScrollBar()->setObjectName(QString::number(HScrollId));
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, &CTolGrid::onVerticalAction);
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this, &CTolGrid::onHorizontalAction);
    // After a drag the thumb goes back to showing the current cell.
    connect(verticalScrollBar(), &QAbstractSlider::sliderReleased, this, &CTolGrid::updateScrollBars);
    connect(horizontalScrollBar(), &QAbstractSlider::sliderReleased, this, &CTolGrid::updateScrollBars);
    verticalScrollBar()->installEventFilter(this);
    horizontalScrollBar()->installEventFilter(this);

    m_columns.resize(1);
    m_columns[0].width = kDefaultHeadingWidth;
    fitRowNumbers();
    updateScrollBars();
}

CTolGrid::~CTolGrid() {
    // The editors die after us and may lose the focus on the way: they must not call back.
    m_editing = Editing::None;
    if (m_edit)
        m_edit->disconnect(this);
    if (m_drop)
        m_drop->disconnect(this);
}

CEditCell* CTolGrid::editCell() {
    if (!m_edit) {
        m_edit = new CEditCell(viewport());
        adoptEditor(m_edit);
        connect(m_edit, &CEditCell::editKey, this, [this](int key) { endEdit(key); });
        connect(m_edit, &CEditCell::editLost, this, &CTolGrid::editorLost);
    }
    return m_edit;
}

CDropCell* CTolGrid::dropCell() {
    if (!m_drop) {
        m_drop = new CDropCell(viewport());
        adoptEditor(m_drop);
        connect(m_drop, &CDropCell::editKey, this, [this](int key) { endEdit(key); });
        connect(m_drop, &CDropCell::editLost, this, &CTolGrid::editorLost);
    }
    return m_drop;
}

void CTolGrid::adoptEditor(QWidget* editor) {
    editor->setFont(m_cellFont);
    editor->hide();
    // A widget created late joins the end of the window's tab chain; the editor's place is just
    // after its grid, where Tab leaves it for the grid's next control.
    QWidget* before = this;
    if (editor == m_drop && m_edit)
        before = m_edit;
    QWidget::setTabOrder(before, editor);
}

void CTolGrid::editorLost() {
    if (isEditing())
        endEdit(Qt::Key_Return);
    viewport()->update();
}

// ---- columns -----------------------------------------------------------------------------------

void CTolGrid::setColumnCount(int n) {
    cancelEdit();
    n = std::max(0, n);
    m_columns = QVector<Column>(n + 1);
    m_headingWidth = kDefaultHeadingWidth;
    fitRowNumbers();
    for (int i = 1; i <= n; ++i) {
        m_columns[i].width = kDefaultColumnWidth;
        m_columns[i].title = QStringLiteral("Col. %1").arg(i);
    }
    m_curCol = std::clamp(m_curCol, m_curCol == 0 ? 0 : 1, lastColumn());
    m_firstCol = 1;
    m_clickedHeading = 0;
    updateScrollBars();
    viewport()->update();
}

void CTolGrid::setColumn(int index, const QString& title, int width, bool readOnly, int alignment) {
    if (!validColumn(index))
        return;
    Column& c = m_columns[index];
    c.title = title;
    c.width = std::max(0, width);
    c.readOnly = readOnly;
    c.alignment = alignment;
    placeEditor();
    updateScrollBars();
    viewport()->update();
}

void CTolGrid::setColumnAlignment(int index, int alignment) {
    if (!validColumn(index))
        return;
    m_columns[index].alignment = alignment;
    viewport()->update();
}

void CTolGrid::setColumnCheckBox(int index, bool checkBox) {
    if (!validColumn(index))
        return;
    m_columns[index].checkBox = checkBox;
    viewport()->update();
}

void CTolGrid::setColumnUpperCase(int index, bool upper) {
    if (validColumn(index))
        m_columns[index].upperCase = upper;
}

void CTolGrid::setColumnDropDown(int index, bool dropDown) {
    if (validColumn(index))
        m_columns[index].dropDown = dropDown;
}

void CTolGrid::setColumnReadOnly(int index, bool readOnly) {
    if (!validColumn(index))
        return;
    m_columns[index].readOnly = readOnly;
    viewport()->update();
}

void CTolGrid::setColumnWidth(int index, int width) {
    if (index < 0 || index >= columnCount())
        return;
    m_columns[index].width = std::max(0, width);
    if (index == 0) {
        m_headingWidth = m_columns[0].width;
        fitRowNumbers();
    }
    placeEditor();
    updateScrollBars();
    viewport()->update();
}

int CTolGrid::columnWidth(int index) const {
    return index >= 0 && index < columnCount() ? m_columns[index].width : 0;
}

QString CTolGrid::columnTitle(int index) const {
    return index >= 0 && index < columnCount() ? m_columns[index].title : QString();
}

// ---- rows ----------------------------------------------------------------------------------------

void CTolGrid::setRowCount(int n) {
    cancelEdit();
    m_rowCount = std::max(0, n) + 1;
    fitRowNumbers();
    m_curCol = 1;
    m_curRow = 1;
    m_firstRow = 1;
    m_selFirst = m_selLast = 0;
    clearAppendTexts();
    syncHighlight();
    updateScrollBars();
    postRowChanged(1);
    viewport()->update();
}

void CTolGrid::resizeRows(int n) {
    const int count = std::max(0, n) + 1;
    if (count == m_rowCount)
        return;
    m_rowCount = count;
    fitRowNumbers();
    const int last = lastNavigableRow();
    const bool moved = m_curRow > last;
    if (moved) {
        cancelEdit();
        m_curRow = last;
    }
    m_firstRow = std::clamp(m_firstRow, 1, std::max(1, m_rowCount));
    if (moved || std::max(m_selFirst, m_selLast) > last)
        m_selFirst = m_selLast = 0;
    syncHighlight();
    updateScrollBars();
    if (moved)
        postRowChanged(m_curRow);
    viewport()->update();
}

void CTolGrid::reset() {
    cancelEdit();
    m_columns = QVector<Column>(1);
    m_headingWidth = kDefaultHeadingWidth;
    m_rowCount = 1;
    fitRowNumbers();
    m_curCol = 1;
    m_curRow = 1;
    m_firstCol = 1;
    m_firstRow = 1;
    m_selFirst = m_selLast = 0;
    m_clickedHeading = 0;
    updateScrollBars();
    viewport()->update();
}

// ---- looks and options ---------------------------------------------------------------------------

void CTolGrid::setRowSelect(bool on) {
    cancelEdit();
    m_rowSelect = on;
    fitRowNumbers();
    if (on) {
        m_curRow = std::clamp(m_curRow, 1, lastNavigableRow());
        syncHighlight();
    } else {
        m_selFirst = m_selLast = 0;
    }
    updateScrollBars();
    viewport()->update();
}

void CTolGrid::setRowNumbers(bool on) {
    m_rowNumbers = on;
    fitRowNumbers();
    updateScrollBars();
    viewport()->update();
}

void CTolGrid::setOwnerRowHeadings(bool on) {
    m_ownerHeadings = on;
    fitRowNumbers();
    updateScrollBars();
    viewport()->update();
}

void CTolGrid::fitRowNumbers() {
    // The heading column widens so the largest row number fits (row 100 of a 20-pixel column would
    // show "00"), and returns to the width it was given when the numbers shrink again.
    int width = m_headingWidth;
    if (m_rowNumbers && !m_ownerHeadings) {
        const int last = m_rowSelect ? std::max(1, m_rowCount - 1) : m_rowCount;
        width = std::max(width, QFontMetrics(m_cellFont).horizontalAdvance(QString::number(last)) + kRowNumberMargins);
    }
    if (m_columns[0].width == width)
        return;
    m_columns[0].width = width;
    placeEditor();
}

void CTolGrid::setReadOnly(bool on) {
    if (on)
        cancelEdit();
    m_readOnly = on;
}

void CTolGrid::setRowDeletion(bool allowed) { m_noDelete = !allowed; }

void CTolGrid::setNewRows(bool allowed) { m_noNewRows = !allowed; }

// ---- current cell, selection, append row ---------------------------------------------------------

void CTolGrid::setCurrentCell(int column, int row) { moveTo(column, row); }

int CTolGrid::selectionFirst() const { return std::min(m_selFirst, m_selLast); }

int CTolGrid::selectionLast() const { return std::max(m_selFirst, m_selLast); }

void CTolGrid::setSelection(int first, int last) {
    // Only data rows can be selected.
    const int top = m_rowCount - 1;
    first = std::clamp(first, 0, top);
    last = std::clamp(last, 0, top);
    if (first == 0 || last == 0)
        first = last = 0;
    m_selFirst = first;
    m_selLast = last;
    viewport()->update();
}

void CTolGrid::clearSelection() { setSelection(0, 0); }

QString CTolGrid::appendText(int column) const {
    return validColumn(column) ? m_columns[column].appendText : QString();
}

void CTolGrid::setAppendText(int column, const QString& text) {
    if (!validColumn(column))
        return;
    m_columns[column].appendText = text;
    viewport()->update();
}

void CTolGrid::clearAppendTexts() {
    for (Column& c : m_columns)
        c.appendText.clear();
    viewport()->update();
}

void CTolGrid::goToCellAndEnter(int column, int row, const QString& text, int key) {
    cancelEdit();
    m_curCol = std::clamp(column, 1, lastColumn());
    m_curRow = std::clamp(row, 1, std::max(1, m_rowCount));
    syncHighlight();
    postRowChanged(m_curRow);
    if (!validColumn(m_curCol))
        return;
    m_savedText = cellText(m_curCol, m_curRow);
    editCell()->setText(text);
    m_editCol = m_curCol;
    m_editRow = m_curRow;
    m_editing = Editing::Text;
    endEdit(key);
}

void CTolGrid::processKey(int key) {
    if (const int k = keyFilter(key))
        keyHandler(k, true);
}

void CTolGrid::commitEdit() {
    if (isEditing())
        endEdit(Qt::Key_Return);
}

void CTolGrid::cancelEdit() {
    if (!isEditing())
        return;
    m_editing = Editing::None;
    hideEditors();
    viewport()->update();
}

QString CTolGrid::cellText(int column, int row) const {
    if (!validColumn(column))
        return {};
    if (row == m_rowCount)
        return m_columns[column].appendText;
    if (!isDataRow(row) || !m_owner)
        return {};
    TolGridCell cell{row, column, {}};
    m_owner->tgmGetCellText(m_id, cell);
    return cell.text;
}

// ---- geometry -----------------------------------------------------------------------------------

int CTolGrid::visibleRows() const { return std::max(0, (viewport()->height() - HeadingHeight) / RowHeight); }

int CTolGrid::visibleColumns() const {
    const int width = viewport()->width();
    int x = m_columns[0].width;
    int n = 0;
    for (int c = m_firstCol; c < columnCount() && x + m_columns[c].width <= width; ++c, ++n)
        x += m_columns[c].width;
    return n;
}

int CTolGrid::columnLeft(int column) const {
    if (column == 0)
        return 0;
    if (column < m_firstCol || column >= columnCount())
        return -1;
    int x = m_columns[0].width;
    for (int c = m_firstCol; c < column; ++c)
        x += m_columns[c].width;
    return x;
}

QRect CTolGrid::cellRect(int column, int row) const {
    const int left = columnLeft(column);
    if (left < 0)
        return {};
    const int width = m_columns[column].width - 1; // inside the grid line on the right
    if (row == 0)
        return QRect(left, 0, width, HeadingHeight - 1);
    return QRect(left, HeadingHeight + (row - m_firstRow) * RowHeight, width, RowHeight - 1);
}

int CTolGrid::columnAt(int x) const {
    if (x < 0)
        return -1;
    int left = m_columns[0].width;
    if (x < left)
        return 0;
    for (int c = m_firstCol; c < columnCount(); ++c) {
        left += m_columns[c].width;
        if (x < left)
            return c;
    }
    return -1;
}

int CTolGrid::rowAt(int y) const {
    if (y < 0)
        return -1;
    if (y < HeadingHeight)
        return 0;
    const int row = m_firstRow + (y - HeadingHeight) / RowHeight;
    return row <= m_rowCount ? row : -1;
}

int CTolGrid::borderAt(int x) const {
    // The border is the grid line, the last pixel of the column; the nearest one within the grip.
    const int width = viewport()->width();
    int best = -1;
    int bestDistance = ResizeGrip + 1;
    int right = m_columns[0].width;
    auto consider = [&](int column) {
        const int distance = std::abs(x - (right - 1));
        if (distance < bestDistance || (distance == bestDistance && best >= 0)) {
            best = column;
            bestDistance = distance;
        }
    };
    consider(0);
    for (int c = m_firstCol; c < columnCount() && right < width; ++c) {
        right += m_columns[c].width;
        consider(c);
    }
    return bestDistance <= ResizeGrip ? best : -1;
}

// ---- moving and scrolling ----------------------------------------------------------------------

void CTolGrid::moveTo(int column, int row) {
    column = std::clamp(column, 1, lastColumn());
    row = std::clamp(row, 1, lastNavigableRow());
    const bool rowChanged = row != m_curRow;
    m_curCol = column;
    m_curRow = row;
    syncHighlight();
    ensureVisible(column, row);
    updateScrollBars();
    if (rowChanged)
        postRowChanged(row);
    viewport()->update();
}

void CTolGrid::ensureVisible(int column, int row) {
    if (row >= 1) {
        const int page = std::max(1, visibleRows());
        if (row < m_firstRow)
            m_firstRow = row;
        else if (row >= m_firstRow + page)
            m_firstRow = row - page + 1;
    }
    if (validColumn(column)) {
        if (column < m_firstCol) {
            m_firstCol = column;
        } else {
            const int width = viewport()->width();
            while (m_firstCol < column && columnLeft(column) + m_columns[column].width > width)
                ++m_firstCol;
        }
    }
    placeEditor();
    viewport()->update();
}

void CTolGrid::setFirstRow(int row) {
    row = std::clamp(row, 1, std::max(1, m_rowCount));
    if (row == m_firstRow)
        return;
    m_firstRow = row;
    placeEditor();
    viewport()->update();
}

void CTolGrid::setFirstColumn(int column) {
    column = std::clamp(column, 1, lastColumn());
    if (column == m_firstCol)
        return;
    m_firstCol = column;
    placeEditor();
    updateScrollBars();
    viewport()->update();
}

void CTolGrid::syncHighlight() {
    if (!m_rowSelect)
        return;
    m_selFirst = m_selLast = isDataRow(m_curRow) ? m_curRow : 0;
}

void CTolGrid::updateScrollBars() {
    // Ranges 1 .. row count and 1 .. last column; the thumbs show the current cell. Scrolling moves
    // the first visible row or column (onVerticalAction), not the current cell.
    QScrollBar* v = verticalScrollBar();
    v->setRange(1, std::max(1, m_rowCount));
    v->setPageStep(std::max(1, visibleRows()));
    v->setSingleStep(1);
    if (!v->isSliderDown())
        v->setValue(std::max(1, m_rowSelect && m_selFirst ? m_selFirst : m_curRow));
    QScrollBar* h = horizontalScrollBar();
    h->setRange(1, std::max(1, columnCount() - 1));
    h->setPageStep(std::max(1, visibleColumns()));
    h->setSingleStep(1);
    if (!h->isSliderDown())
        h->setValue(std::max(1, m_curCol));
}

void CTolGrid::onVerticalAction(int action) {
    QScrollBar* bar = verticalScrollBar();
    const int page = std::max(1, visibleRows());
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: setFirstRow(m_firstRow + 1); break;
    case QAbstractSlider::SliderSingleStepSub: setFirstRow(m_firstRow - 1); break;
    case QAbstractSlider::SliderPageStepAdd: setFirstRow(m_firstRow + page); break;
    case QAbstractSlider::SliderPageStepSub: setFirstRow(m_firstRow - page); break;
    case QAbstractSlider::SliderToMinimum: setFirstRow(1); break;
    case QAbstractSlider::SliderToMaximum: setFirstRow(m_rowCount); break;
    case QAbstractSlider::SliderMove:
        // Dragging: the thumb follows the mouse and sets the first visible row.
        setFirstRow(bar->sliderPosition());
        return;
    default:
        return;
    }
    bar->setSliderPosition(std::max(1, m_rowSelect && m_selFirst ? m_selFirst : m_curRow));
}

void CTolGrid::onHorizontalAction(int action) {
    QScrollBar* bar = horizontalScrollBar();
    const int page = std::max(1, visibleColumns());
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: setFirstColumn(m_firstCol + 1); break;
    case QAbstractSlider::SliderSingleStepSub: setFirstColumn(m_firstCol - 1); break;
    case QAbstractSlider::SliderPageStepAdd: setFirstColumn(m_firstCol + page); break;
    case QAbstractSlider::SliderPageStepSub: setFirstColumn(m_firstCol - page); break;
    case QAbstractSlider::SliderToMinimum: setFirstColumn(1); break;
    case QAbstractSlider::SliderToMaximum: setFirstColumn(lastColumn()); break;
    case QAbstractSlider::SliderMove:
        setFirstColumn(bar->sliderPosition());
        return;
    default:
        return;
    }
    bar->setSliderPosition(std::max(1, m_curCol));
}

void CTolGrid::scrollContentsBy(int, int) {
    // The bars' values show the current cell; scrolling is done in onVerticalAction.
}

void CTolGrid::placeEditor() {
    if (!isEditing())
        return;
    QRect r = cellRect(m_editCol, m_editRow);
    if (r.isEmpty()) // its column scrolled away to the left: keep editing out of sight
        r = QRect(-10000, -10000, 10, 10);
    if (m_editing == Editing::Text)
        editCell()->setGeometry(r);
    else
        dropCell()->setGeometry(r);
}

void CTolGrid::postRowChanged(int row) {
    QMetaObject::invokeMethod(
        this,
        [this, row] {
            if (m_owner)
                m_owner->tgmRowChanged(m_id, row);
        },
        Qt::QueuedConnection);
}

void CTolGrid::postRowActivate(int row) {
    QMetaObject::invokeMethod(
        this,
        [this, row] {
            if (m_owner)
                m_owner->tgmRowActivate(m_id, row);
        },
        Qt::QueuedConnection);
}

// ---- keys ---------------------------------------------------------------------------------------

void CTolGrid::commitHook(TolGridCell&, int&) {}

int CTolGrid::keyFilter(int key) { return key; }

bool CTolGrid::keyHandler(int key, bool filtered) {
    if (!filtered) {
        key = keyFilter(key);
        if (key == 0)
            return true;
    }
    return m_rowSelect ? rowSelectKey(key) : editingKey(key);
}

bool CTolGrid::editingKey(int key) {
    const int page = std::max(1, visibleRows());
    switch (key) {
    case Qt::Key_Delete:
        deleteKey();
        return true;
    case Qt::Key_Return:
        if (m_curCol >= lastColumn())
            moveTo(1, m_curRow + 1);
        else
            moveTo(m_curCol + 1, m_curRow);
        return true;
    case Qt::Key_PageUp: moveTo(m_curCol, m_curRow - page); return true;
    case Qt::Key_PageDown: moveTo(m_curCol, m_curRow + page); return true;
    case Qt::Key_End: moveTo(1, m_rowCount); return true;
    case Qt::Key_Home: moveTo(1, 1); return true;
    case Qt::Key_Left: moveTo(m_curCol - 1, m_curRow); return true;
    case Qt::Key_Right: moveTo(m_curCol + 1, m_curRow); return true;
    case Qt::Key_Up: moveTo(m_curCol, m_curRow - 1); return true;
    case Qt::Key_Down: moveTo(m_curCol, m_curRow + 1); return true;
    case Qt::Key_F2: startEdit(QString()); return true;
    case KeyNextRow: moveTo(1, m_curRow + 1); return true;
    default:
        return false;
    }
}

bool CTolGrid::rowSelectKey(int key) {
    const int page = std::max(1, visibleRows());
    const int row = m_curRow;
    switch (key) {
    case Qt::Key_Delete:
        deleteKey();
        return true;
    case Qt::Key_Return:
        if (isDataRow(m_selFirst))
            postRowActivate(m_selFirst);
        return true;
    case Qt::Key_PageUp: moveTo(m_curCol, row - page); return true;
    case Qt::Key_PageDown: moveTo(m_curCol, row + page); return true;
    case Qt::Key_End: moveTo(m_curCol, m_rowCount - 1); return true;
    case Qt::Key_Home: moveTo(m_curCol, 1); return true;
    case Qt::Key_Up: moveTo(m_curCol, row - 1); return true;
    case Qt::Key_Down: moveTo(m_curCol, row + 1); return true;
    default:
        return false;
    }
}

void CTolGrid::deleteKey() {
    if (m_readOnly)
        return;
    if (hasSelection()) {
        if (m_noDelete)
            return;
        const int first = std::max(1, selectionFirst());
        const int last = std::min(selectionLast(), m_rowCount - 1);
        if (first > last)
            return;
        if (m_owner && m_owner->tgmDeleteRows(m_id, first, last))
            m_rowCount = std::max(1, m_rowCount - (last - first + 1));
        m_selFirst = m_selLast = 0;
        clearAppendTexts();
        // The current row may now be past the end.
        if (m_curRow > lastNavigableRow()) {
            m_curRow = lastNavigableRow();
            postRowChanged(m_curRow);
        }
        m_firstRow = std::clamp(m_firstRow, 1, std::max(1, m_rowCount));
        syncHighlight();
        ensureVisible(m_curCol, m_curRow);
        updateScrollBars();
        viewport()->update();
        return;
    }
    if (!validColumn(m_curCol) || m_columns[m_curCol].readOnly)
        return;
    if (m_curRow == m_rowCount) {
        m_columns[m_curCol].appendText.clear();
    } else if (isDataRow(m_curRow) && m_owner) {
        m_owner->tgmSetCellText(m_id, TolGridCell{m_curRow, m_curCol, QString()});
    }
    viewport()->update();
}

void CTolGrid::keyPressEvent(QKeyEvent* event) {
    // Control or Alt combinations belong to the dialog; both together are AltGr on Windows, which
    // types characters ("@", "#") like any other key.
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool altGr = (mods & Qt::ControlModifier) && (mods & Qt::AltModifier);
    if ((mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && !altGr) {
        event->ignore();
        return;
    }
    const int key = event->key() == Qt::Key_Enter ? int(Qt::Key_Return) : event->key();
    const int filtered = keyFilter(key);
    if (filtered == 0) {
        event->accept();
        return;
    }
    if (keyHandler(filtered, true)) {
        event->accept();
        return;
    }
    // A typed character starts editing with it as the new text.
    if (filtered == key && isTypedText(event->text()) && startEdit(event->text())) {
        event->accept();
        return;
    }
    event->ignore(); // Escape and the rest belong to the dialog
}

bool CTolGrid::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // The grid wants its keys before any shortcut of the dialog.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            break;
        switch (key->key()) {
        case Qt::Key_Delete: case Qt::Key_Return: case Qt::Key_Enter:
        case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Home: case Qt::Key_End:
        case Qt::Key_Up: case Qt::Key_Down:
            event->accept();
            return true;
        case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_F2:
            if (!m_rowSelect) {
                event->accept();
                return true;
            }
            break;
        default:
            if (!m_rowSelect && !m_readOnly && isTypedText(key->text())) {
                event->accept();
                return true;
            }
        }
        break;
    }
    case QEvent::InputMethod: {
        // Composed characters (dead keys: ´ then a) start editing like a typed character.
        auto* im = static_cast<QInputMethodEvent*>(event);
        if (!im->commitString().isEmpty() && startEdit(im->commitString()))
            event->accept();
        return true;
    }
    default:
        break;
    }
    return QAbstractScrollArea::event(event);
}

// ---- editing -------------------------------------------------------------------------------------

bool CTolGrid::startEdit(const QString& typed) {
    if (m_readOnly || m_rowSelect || isEditing())
        return false;
    if (!validColumn(m_curCol) || m_curRow < 1 || m_curRow > m_rowCount)
        return false;
    const Column& column = m_columns[m_curCol];
    if (column.readOnly)
        return false;
    const bool appendRow = m_curRow == m_rowCount;
    if (appendRow && m_noNewRows) // nothing typed there could be kept
        return false;
    ensureVisible(m_curCol, m_curRow);
    const QRect r = cellRect(m_curCol, m_curRow);
    if (r.isEmpty() || !viewport()->rect().intersects(r))
        return false;

    if (column.dropDown) {
        m_savedText = cellText(m_curCol, m_curRow);
        CDropCell* drop = dropCell();
        drop->clear();
        QStringList items;
        if (m_owner)
            m_owner->tgmFillList(m_id, TolGridCell{m_curRow, m_curCol, m_savedText}, items);
        drop->addItems(items);
        drop->setCurrentIndex(drop->findText(m_savedText));
        drop->selectStartingWith(typed.trimmed());
        m_editCol = m_curCol;
        m_editRow = m_curRow;
        m_editing = Editing::List;
        drop->setGeometry(r);
        drop->show();
        drop->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (column.checkBox) {
        if (typed != QLatin1String(" "))
            return false;
        toggleCheck(m_curCol, m_curRow);
        return true;
    }

    m_savedText = cellText(m_curCol, m_curRow);
    CEditCell* edit = editCell();
    edit->setUpperCase(false);
    edit->setText(typed.isEmpty() ? m_savedText : typed);
    edit->setUpperCase(column.upperCase);
    edit->setQuickMode(!typed.isEmpty());
    edit->setAlignment(Qt::Alignment(textFlags(column.alignment) & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
    edit->deselect();
    edit->end(false);
    m_editCol = m_curCol;
    m_editRow = m_curRow;
    m_editing = Editing::Text;
    edit->setGeometry(r);
    edit->show();
    edit->setFocus(Qt::OtherFocusReason);
    viewport()->update();
    return true;
}

void CTolGrid::toggleCheck(int column, int row) {
    TolGridCell cell{row, column, cellText(column, row).isEmpty() ? QStringLiteral("T") : QString()};
    if (row == m_rowCount) {
        if (m_noNewRows)
            return;
        m_columns[column].appendText = cell.text;
        // The owner keeps the new row's values too, as for a typed append-row text.
        if (m_owner)
            m_owner->tgmNewRowText(m_id, cell);
    } else if (isDataRow(row) && m_owner) {
        m_owner->tgmSetCellText(m_id, cell);
    }
    viewport()->update();
}

void CTolGrid::hideEditors() {
    // Give the focus back before hiding, or Qt hands it to the next control of the dialog.
    const QWidget* focus = QApplication::focusWidget();
    if (focus && ((m_edit && focus == m_edit) || (m_drop && (focus == m_drop || m_drop->isAncestorOf(focus)))))
        setFocus(Qt::OtherFocusReason);
    if (m_drop) {
        m_drop->hidePopup();
        m_drop->hide();
    }
    if (m_edit)
        m_edit->hide();
}

void CTolGrid::endEdit(int key) {
    if (!isEditing())
        return;
    const Editing kind = m_editing;
    m_editing = Editing::None; // first: hiding the editor moves the focus, which ends edits
    const int column = m_editCol;
    const int row = m_editRow;
    if (key == Qt::Key_Escape) {
        if (kind == Editing::Text)
            editCell()->setText(m_savedText);
        hideEditors();
        viewport()->update();
        return;
    }

    TolGridCell cell{row, column, kind == Editing::Text ? editCell()->text() : dropCell()->currentText()};
    hideEditors();
    const bool appendRow = row == m_rowCount;
    commitHook(cell, key);
    if (validColumn(column)) {
        if (!appendRow) {
            if (isDataRow(row) && m_owner)
                m_owner->tgmSetCellText(m_id, cell);
        } else if (!m_noNewRows) {
            m_columns[column].appendText = cell.text;
            if (m_owner)
                m_owner->tgmNewRowText(m_id, cell);
        }
    }
    viewport()->update();
    if (key == 0)
        return;

    // Navigation. Leaving the append row asks the owner to accept it; Down and the like cannot
    // move past the append row, so a key that pushes past it counts as leaving it.
    const int navColumn = m_curCol;
    const bool pushesPast = key == Qt::Key_Down || key == Qt::Key_PageDown || key == KeyNextRow ||
                            (key == Qt::Key_Return && navColumn >= lastColumn());
    keyHandler(key, false);
    const bool movedAway = m_curRow != row || pushesPast;
    if (appendRow && !m_noNewRows && movedAway && row == m_rowCount && m_owner && m_owner->tgmAppendRow(m_id)) {
        ++m_rowCount;
        clearAppendTexts();
        // Apply the key again from the edited cell, now a data row.
        m_curCol = navColumn;
        m_curRow = row;
        keyHandler(key, false);
        updateScrollBars();
    }
}

// ---- mouse --------------------------------------------------------------------------------------

void CTolGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPoint pos = event->position().toPoint();
    event->accept();
    if (pos.y() < HeadingHeight) {
        const int border = borderAt(pos.x());
        if (border >= 0) {
            m_drag = Drag::Resize;
            m_resizeColumn = border;
            m_resizeStartX = pos.x();
            m_resizeStartWidth = m_columns[border].width;
            viewport()->setCursor(Qt::SplitHCursor);
            return;
        }
        const int column = columnAt(pos.x());
        if (column >= 1) {
            m_drag = Drag::Heading;
            m_clickedHeading = column;
            viewport()->update();
        }
        return;
    }

    const int row = rowAt(pos.y());
    const int column = columnAt(pos.x());
    if (row < 1 || column < 0)
        return;

    if (m_rowSelect) {
        if (isDataRow(row)) {
            const int oldRow = m_curRow;
            moveTo(column >= 1 ? column : m_curCol, row);
            if (oldRow == row)
                postRowChanged(row);
        }
        return;
    }

    if (column == 0) {
        // A row heading: no current cell; the row becomes the selection (or clears it).
        m_curCol = 0;
        m_curRow = 0;
        postRowChanged(0);
        if (isDataRow(row) && hasSelection() && row >= selectionFirst() && row <= selectionLast()) {
            clearSelection();
        } else if (isDataRow(row)) {
            m_selFirst = m_selLast = row;
            m_drag = Drag::Rows;
        } else {
            clearSelection();
        }
        updateScrollBars();
        viewport()->update();
        return;
    }

    m_selFirst = m_selLast = 0;
    m_curCol = column;
    m_curRow = row;
    ensureVisible(column, row);
    updateScrollBars();
    postRowChanged(row);
    if (m_columns[column].checkBox && isDataRow(row) && !m_readOnly && !m_columns[column].readOnly)
        toggleCheck(column, row);
    viewport()->update();
}

void CTolGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    switch (m_drag) {
    case Drag::Resize:
        setColumnWidth(m_resizeColumn, std::max(MinColumnWidth, m_resizeStartWidth + pos.x() - m_resizeStartX));
        return;
    case Drag::Rows: {
        int row = rowAt(pos.y());
        if (row < 0) // below the rows: the last data row
            row = m_rowCount - 1;
        row = std::clamp(row, 1, std::max(1, m_rowCount - 1));
        if (row != m_selLast) {
            m_selLast = row;
            viewport()->update();
        }
        return;
    }
    case Drag::Heading:
        return;
    case Drag::None:
        break;
    }
    if (pos.y() < HeadingHeight && borderAt(pos.x()) >= 0)
        viewport()->setCursor(Qt::SplitHCursor);
    else
        viewport()->unsetCursor();
}

void CTolGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const Drag drag = m_drag;
    m_drag = Drag::None;
    if (drag == Drag::Resize) {
        viewport()->unsetCursor();
    } else if (drag == Drag::Heading && m_clickedHeading >= 1) {
        const int column = m_clickedHeading;
        m_clickedHeading = 0;
        viewport()->update();
        if (m_owner)
            m_owner->tgmHeaderClick(m_id, column);
    }
}

void CTolGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (m_rowSelect && event->button() == Qt::LeftButton && pos.y() >= HeadingHeight) {
        const int row = rowAt(pos.y());
        if (!isDataRow(row) || columnAt(pos.x()) < 0) {
            event->accept();
            return;
        }
        mousePressEvent(event); // highlights the row under the mouse, as the first press did
        if (isDataRow(m_selFirst))
            postRowActivate(m_selFirst);
        return;
    }
    // Otherwise a second press like the first (a check box toggles twice, a heading clicks twice).
    mousePressEvent(event);
}

void CTolGrid::wheelEvent(QWheelEvent* event) {
    // One row per notch; smooth-scrolling devices send parts of a notch, kept until they add up.
    m_wheelRest += event->angleDelta().y();
    const int rows = m_wheelRest / kWheelNotch;
    m_wheelRest -= rows * kWheelNotch;
    if (rows != 0)
        setFirstRow(m_firstRow - rows);
    event->accept();
}

bool CTolGrid::eventFilter(QObject* watched, QEvent* event) {
    // The wheel over a scroll bar scrolls rows, as over the cells.
    if (event->type() == QEvent::Wheel && (watched == verticalScrollBar() || watched == horizontalScrollBar())) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

// ---- focus and size -----------------------------------------------------------------------------

void CTolGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (m_curRow == 0 || m_curCol == 0) {
        m_curCol = 1;
        m_curRow = 1;
        syncHighlight();
        postRowChanged(1);
    }
    if (isEditing())
        endEdit(Qt::Key_Return);
    if (m_edit)
        m_edit->hide();
    if (m_drop)
        m_drop->hide();
    updateScrollBars();
    viewport()->update();
}

void CTolGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void CTolGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    placeEditor();
    updateScrollBars();
}

// ---- painting -----------------------------------------------------------------------------------

void CTolGrid::paintEvent(QPaintEvent*) {
    // Everything is drawn off-screen first, then copied in one piece.
    const qreal dpr = viewport()->devicePixelRatioF();
    const QSize size = viewport()->size() * dpr;
    if (m_buffer.size() != size) {
        m_buffer = QPixmap(size);
        m_buffer.setDevicePixelRatio(dpr);
    }
    {
        QPainter bp(&m_buffer);
        paintGrid(bp);
    }
    QPainter p(viewport());
    p.drawPixmap(0, 0, m_buffer);
}

void CTolGrid::paintHeading(QPainter& p, const QRect& r, const QString& text, int flags, bool current,
                            bool pressed, bool marked) const {
    const QPalette& pal = palette();
    QColor face = pal.color(QPalette::Button);
    if (marked)
        face = pal.color(QPalette::Highlight);
    else if (current)
        face = pal.color(QPalette::Highlight).lighter(175);
    p.fillRect(r, face);
    const QColor light = pal.color(QPalette::Light);
    const QColor dark = pal.color(QPalette::Dark);
    const QColor& topLeft = pressed ? dark : light;
    const QColor& bottomRight = pressed ? light : dark;
    drawAxisLine(p, r.left(), r.top(), r.right(), r.top(), topLeft);
    drawAxisLine(p, r.left(), r.top(), r.left(), r.bottom(), topLeft);
    drawAxisLine(p, r.left(), r.bottom(), r.right(), r.bottom(), bottomRight);
    drawAxisLine(p, r.right(), r.top(), r.right(), r.bottom(), bottomRight);
    if (text.isEmpty())
        return;
    p.setPen(pal.color(marked ? QPalette::HighlightedText : QPalette::ButtonText));
    const int shift = pressed ? 1 : 0;
    const QRect area = r.adjusted(2 + shift, shift, -2 + shift, shift);
    const int needed = p.fontMetrics().horizontalAdvance(text);
    if (needed <= area.width() || area.width() <= 0) {
        p.drawText(area, flags, text);
        return;
    }
    // A title wider than its column is drawn narrower to fit, rather than spilling over the
    // neighbours and being cut by the next heading ("Serie/Folio" reading "Serie/Folic").
    p.save();
    p.setClipRect(area);
    p.translate(area.left(), 0);
    p.scale(double(area.width()) / needed, 1.0);
    p.drawText(QRect(0, area.top(), needed, area.height()), flags, text);
    p.restore();
}

void CTolGrid::paintCheckBox(QPainter& p, const QRect& cell, bool checked) const {
    const QRect box(cell.left() + (cell.width() - 13) / 2, cell.top() + (cell.height() - 13) / 2, 13, 13);
    p.fillRect(box, Qt::white);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    if (!checked)
        return;
    p.setPen(QPen(palette().color(QPalette::Text), 2));
    const QPoint tick[] = {box.topLeft() + QPoint(3, 6), box.topLeft() + QPoint(5, 9), box.topLeft() + QPoint(10, 3)};
    p.drawPolyline(tick, 3);
}

void CTolGrid::paintGrid(QPainter& p) {
    const int width = viewport()->width();
    const int height = viewport()->height();
    const QPalette& pal = palette();
    p.fillRect(0, 0, width, height, pal.color(QPalette::Dark)); // the workspace around the grid

    // The columns painted: the heading column, then from the first visible one to the right edge.
    struct Painted {
        int column;
        int left;
        int width;
    };
    QVarLengthArray<Painted, 32> columns;
    for (Column& c : m_columns)
        c.right = 0;
    int x = 0;
    for (int c = 0; c < columnCount() && x < width; c = (c == 0 ? m_firstCol : c + 1)) {
        columns.append({c, x, m_columns[c].width});
        x += m_columns[c].width;
        m_columns[c].right = x;
    }
    const int gridRight = x;

    const int rowsShown = (height - HeadingHeight + RowHeight - 1) / RowHeight;
    const int lastRow = std::min(m_rowCount, m_firstRow + rowsShown - 1);

    // Heading row.
    p.setFont(m_headingFont);
    const int titleFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine;
    for (const Painted& pc : columns) {
        const QRect r(pc.left, 0, pc.width, HeadingHeight);
        const bool current = !m_rowSelect && pc.column >= 1 && pc.column == m_curCol;
        paintHeading(p, r.adjusted(0, 0, -1, -1), m_columns[pc.column].title, titleFlags, current,
                     pc.column >= 1 && pc.column == m_clickedHeading, false);
    }

    // Rows: heading cell, then the cells.
    const QColor base = pal.color(QPalette::Base);
    const QColor readOnlyBase = pal.color(QPalette::AlternateBase);
    const QColor highlight = pal.color(hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::Highlight);
    const QColor highlightText = pal.color(hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::HighlightedText);
    const QColor text = pal.color(QPalette::Text);
    const QColor line = pal.color(QPalette::Mid);
    const int selFirst = selectionFirst();
    const int selLast = selectionLast();
    const int headingWidth = m_columns[0].width;
    for (int row = m_firstRow; row <= lastRow; ++row) {
        const int top = HeadingHeight + (row - m_firstRow) * RowHeight;
        const bool appendRow = row == m_rowCount;
        const bool highlighted = m_rowSelect && isDataRow(row) && row == m_selFirst;

        QString heading;
        int headingFlags = Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine;
        if (m_ownerHeadings) {
            headingFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
            if (isDataRow(row) && m_owner)
                m_owner->tgmGetRowHeading(m_id, row, heading);
        } else if (m_rowNumbers && !(appendRow && m_rowSelect)) {
            heading = QString::number(row);
        }
        const bool marked = !m_rowSelect && selFirst != 0 && row >= selFirst && row <= selLast;
        const QRect headingRect(0, top, headingWidth, RowHeight);
        p.setFont(m_cellFont);
        paintHeading(p, headingRect.adjusted(0, 0, -1, -1), QString(), 0, row == m_curRow, false, marked);
        if (!heading.isEmpty()) {
            p.setPen(pal.color(marked ? QPalette::HighlightedText : QPalette::ButtonText));
            const QRect textRect = m_ownerHeadings ? QRect(5, top + 3, headingWidth - 6, RowHeight - 3)
                                                   : QRect(1, top + 3, headingWidth - 6, RowHeight - 3);
            CTolTextCache::drawText(p, textRect, headingFlags, heading);
        }

        for (qsizetype i = 1; i < columns.size(); ++i) {
            const Painted& pc = columns[i];
            const Column& column = m_columns[pc.column];
            const QRect cell(pc.left, top, pc.width - 1, RowHeight - 1);
            p.fillRect(cell, highlighted ? highlight : (column.readOnly && !m_rowSelect ? readOnlyBase : base));
            if (appendRow && m_rowSelect)
                continue;
            QString value;
            if (appendRow) {
                value = column.appendText;
            } else if (m_owner) {
                TolGridCell tc{row, pc.column, {}};
                m_owner->tgmGetCellText(m_id, tc);
                value = std::move(tc.text);
            }
            if (column.checkBox) {
                paintCheckBox(p, cell, !value.isEmpty());
            } else if (!value.isEmpty()) {
                p.setPen(highlighted ? highlightText : text);
                CTolTextCache::drawText(p, QRect(pc.left + 4, top + 3, pc.width - 8, RowHeight - 3),
                                        textFlags(column.alignment), value);
            }
        }
        drawAxisLine(p, headingWidth, top + RowHeight - 1, gridRight - 1, top + RowHeight - 1, line);
    }

    // Grid lines down each column's right edge to the bottom of the window.
    for (qsizetype i = 1; i < columns.size(); ++i) {
        const int right = columns[i].left + columns[i].width - 1;
        drawAxisLine(p, right, HeadingHeight, right, height - 1, line);
    }

    // The current cell, unless the editor covers it.
    if (!m_rowSelect && !isEditing() && m_curRow >= m_firstRow && m_curRow <= lastRow) {
        const QRect r = cellRect(m_curCol, m_curRow);
        if (!r.isEmpty() && r.width() > 2) {
            p.setPen(QPen(pal.color(hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::Highlight), 2));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(1, 1, -1, -1));
        }
    }
}
