#include "support/LayoutCheck.h"
#include "toolkit/ui/DropCell.h"
#include "toolkit/ui/EditCell.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>
#include <map>

namespace {

// Keeps its cells in a map and records every call, so tests can see what the grid asked and told.
class TestOwner final : public ITolGridOwner {
public:
    std::map<std::pair<int, int>, QString> cells; // (row, column) -> text
    QStringList newRow;                            // the append row's values as the owner keeps them
    int rows = 0;

    int getCalls = 0;
    QSet<int> rowsAsked;
    QList<TolGridCell> sets, newRowTexts;
    QList<std::pair<int, int>> deletes;
    QList<int> headerClicks, rowChanges, activations;
    int appendAsks = 0;
    bool acceptAppend = false;
    bool askBeforeDelete = false;
    QStringList listItems;
    QStringList* log = nullptr;

    void tgmGetCellText(int, TolGridCell& cell) override {
        ++getCalls;
        rowsAsked.insert(cell.row);
        auto it = cells.find({cell.row, cell.column});
        cell.text = it == cells.end() ? QString() : it->second;
    }
    void tgmSetCellText(int, const TolGridCell& cell) override {
        if (log)
            log->append(QStringLiteral("owner:set %1").arg(cell.text));
        sets.append(cell);
        cells[{cell.row, cell.column}] = cell.text;
    }
    void tgmNewRowText(int, const TolGridCell& cell) override {
        newRowTexts.append(cell);
        while (newRow.size() <= cell.column)
            newRow.append(QString());
        newRow[cell.column] = cell.text;
    }
    bool tgmDeleteRows(int, int first, int last) override {
        deletes.append({first, last});
        if (askBeforeDelete && TolMessage(QStringLiteral("¿Está seguro de eliminar los renglones?"), true) != 1)
            return false;
        rows -= last - first + 1;
        return true;
    }
    bool tgmAppendRow(int) override {
        ++appendAsks;
        if (!acceptAppend)
            return false;
        ++rows;
        for (int c = 1; c < newRow.size(); ++c)
            cells[{rows, c}] = newRow[c];
        newRow.clear();
        return true;
    }
    void tgmHeaderClick(int, int column) override { headerClicks.append(column); }
    void tgmFillList(int, const TolGridCell&, QStringList& items) override { items = listItems; }
    void tgmRowChanged(int, int row) override { rowChanges.append(row); }
    void tgmRowActivate(int, int row) override { activations.append(row); }
};

// Records the order in which the grid runs its hooks; the hook's reaction is set per test.
class HookedGrid final : public CTolGrid {
public:
    using CTolGrid::CTolGrid;
    QStringList* log = nullptr;
    std::function<void(TolGridCell&, int&)> onCommit;

protected:
    void commitHook(TolGridCell& cell, int& key) override {
        log->append(QStringLiteral("commit %1").arg(cell.text));
        if (onCommit)
            onCommit(cell, key);
    }
    bool keyHandler(int key, bool filtered) override {
        log->append(QStringLiteral("handler %1").arg(filtered ? "filtered" : "raw"));
        return CTolGrid::keyHandler(key, filtered);
    }
    int keyFilter(int key) override {
        log->append(QStringLiteral("filter"));
        return CTolGrid::keyFilter(key);
    }
};

// Answers the next modal dialog by pressing the button with `buttonId` once it shows.
void answerModal(int buttonId) {
    QTimer::singleShot(0, [buttonId] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            answerModal(buttonId); // not up yet: look again on the next turn of the loop
            return;
        }
        if (auto* button = modal->findChild<QPushButton*>(QString::number(buttonId)))
            button->click();
    });
}

void key(int k, const QString& text = {}) {
    QWidget* target = QApplication::focusWidget();
    QVERIFY(target);
    QTest::sendKeyEvent(QTest::Click, target, Qt::Key(k), text, Qt::NoModifier);
}

void type(const QString& text) {
    for (QChar c : text)
        key(c.toUpper().unicode(), QString(c));
}

void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
    QMouseEvent e(type, pos, w->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestTolGrid final : public QObject {
    Q_OBJECT

    QWidget* m_host = nullptr;
    CTolGrid* m_grid = nullptr;
    QLineEdit* m_after = nullptr;
    TestOwner* m_owner = nullptr;

    // A shown, focused grid of `columns` columns (60 px) and `rows` data rows, cell (r, c) = "r.c".
    using Factory = std::function<CTolGrid*(QWidget*, ITolGridOwner*)>;
    void makeGrid(int columns, int rows, const Factory& make = {}) {
        m_host = new QWidget;
        m_owner = new TestOwner;
        m_owner->rows = rows;
        for (int r = 1; r <= rows && r <= 50; ++r)
            for (int c = 1; c <= columns; ++c)
                cell(r, c) = QStringLiteral("%1.%2").arg(r).arg(c);
        m_grid = make ? make(m_host, m_owner) : new CTolGrid(m_host, 1174, m_owner);
        auto* layout = new QVBoxLayout(m_host);
        layout->addWidget(m_grid);
        m_after = new QLineEdit(m_host);
        layout->addWidget(m_after);
        m_grid->setColumnCount(columns);
        m_grid->setRowCount(rows);
        m_host->resize(420, 300);
        m_host->show();
        QVERIFY(QTest::qWaitForWindowActive(m_host));
        m_grid->setFocus();
        QTRY_VERIFY(m_grid->hasFocus());
        QCoreApplication::processEvents();
        m_owner->rowChanges.clear();
    }

    // Without a window manager nothing reactivates the window under a closed message box.
    void backFromMessageBox() {
        m_host->activateWindow();
        QTRY_VERIFY(m_grid->hasFocus());
    }

    QString& cell(int row, int column) { return m_owner->cells[std::make_pair(row, column)]; }

    void wheel(int delta) {
        const QPoint pos(50, 50);
        QWheelEvent e(pos, m_grid->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_grid->viewport(), &e);
    }

    QPoint cellCentre(int column, int row) const { return m_grid->cellRect(column, row).center(); }

private Q_SLOTS:
    void initTestCase() { CTolMessageDlg::registerToolkit(); }

    void cleanup() {
        delete m_host;
        m_host = nullptr;
        m_grid = nullptr;
        delete m_owner;
        m_owner = nullptr;
    }

    void typingReplacesTextAndArrowsCommitInQuickMode() {
        makeGrid(3, 3);
        type(QStringLiteral("x"));
        QVERIFY(m_grid->isEditing());
        QCOMPARE(m_grid->editCell()->text(), QStringLiteral("x"));
        QVERIFY(m_grid->editCell()->hasFocus());
        key(Qt::Key_Right);
        QVERIFY(!m_grid->isEditing());
        QCOMPARE(m_owner->sets.size(), 1);
        QCOMPARE(cell(1, 1), QStringLiteral("x"));
        QCOMPARE(m_grid->currentColumn(), 2);
        QVERIFY(m_grid->hasFocus());

        // F2 keeps the text and the arrows move inside it; Enter commits and moves on.
        key(Qt::Key_F2);
        QCOMPARE(m_grid->editCell()->text(), QStringLiteral("1.2"));
        key(Qt::Key_Left);
        key(Qt::Key_Left);
        QVERIFY(m_grid->isEditing());
        type(QStringLiteral("ñ"));
        key(Qt::Key_Return);
        QCOMPARE(cell(1, 2), QStringLiteral("1ñ.2"));
        QCOMPARE(m_grid->currentColumn(), 3);

        // An upper-case column capitalises what is typed; a read-only column does not edit.
        m_grid->setColumnUpperCase(3, true);
        type(QStringLiteral("ab"));
        QCOMPARE(m_grid->editCell()->text(), QStringLiteral("AB"));
        key(Qt::Key_Escape);
        m_grid->setColumnReadOnly(3, true);
        type(QStringLiteral("z"));
        QVERIFY(!m_grid->isEditing());
        key(Qt::Key_F2);
        QVERIFY(!m_grid->isEditing());
    }

    void escapeRestoresTheText() {
        makeGrid(3, 3);
        m_grid->setCurrentCell(2, 2);
        type(QStringLiteral("nuevo"));
        QCOMPARE(m_grid->editCell()->text(), QStringLiteral("nuevo"));
        key(Qt::Key_Escape);
        QVERIFY(!m_grid->isEditing());
        QVERIFY(!m_grid->editCell()->isVisible());
        QVERIFY(m_owner->sets.isEmpty());
        QCOMPARE(cell(2, 2), QStringLiteral("2.2"));
        QCOMPARE(m_grid->editCell()->text(), QStringLiteral("2.2"));
        QCOMPARE(m_grid->currentColumn(), 2);
        QVERIFY(m_grid->hasFocus());
    }

    void downOnTheAppendRowAsksTheOwner() {
        makeGrid(3, 2);
        key(Qt::Key_End);
        QCOMPARE(m_grid->currentRow(), 3);
        QCOMPARE(m_grid->currentColumn(), 1);
        type(QStringLiteral("abc"));
        key(Qt::Key_Right); // quick mode: commits to the append row, no append yet
        QCOMPARE(m_owner->appendAsks, 0);
        QCOMPARE(m_grid->appendText(1), QStringLiteral("abc"));
        QCOMPARE(m_owner->newRowTexts.size(), 1);
        QCOMPARE(m_owner->newRowTexts[0].row, 3);
        type(QStringLiteral("d"));
        key(Qt::Key_Down);
        QCOMPARE(m_owner->appendAsks, 1);
        QCOMPARE(m_grid->rowCount(), 3);
        QCOMPARE(m_grid->currentRow(), 3);
        QCOMPARE(m_grid->appendText(1), QStringLiteral("abc"));
        QCOMPARE(m_grid->appendText(2), QStringLiteral("d"));

        // Accepted: the row becomes data row 3, the append row moves down and is empty.
        m_owner->acceptAppend = true;
        key(Qt::Key_F2);
        key(Qt::Key_Down);
        QCOMPARE(m_owner->appendAsks, 2);
        QCOMPARE(m_grid->rowCount(), 4);
        QCOMPARE(m_grid->currentRow(), 4);
        QCOMPARE(m_grid->currentColumn(), 2);
        QVERIFY(m_grid->appendText(1).isEmpty());
        QCOMPARE(cell(3, 1), QStringLiteral("abc"));
        QCOMPARE(m_grid->verticalScrollBar()->maximum(), 4);

        // Plain navigation out of the append row asks nothing; only leaving after a commit does.
        key(Qt::Key_Up);
        key(Qt::Key_Down);
        QCOMPARE(m_owner->appendAsks, 2);
        // Without new rows the append row cannot be typed into.
        m_grid->setNewRows(false);
        type(QStringLiteral("q"));
        QVERIFY(!m_grid->isEditing());
    }

    void enterWalksTheRowAndWrapsFromTheLastColumn() {
        makeGrid(3, 3);
        m_grid->setCurrentCell(3, 1);
        key(Qt::Key_Return);
        QCOMPARE(m_grid->currentColumn(), 1);
        QCOMPARE(m_grid->currentRow(), 2);
        QTRY_COMPARE(m_owner->rowChanges, QList<int>({2}));
        key(Qt::Key_Return);
        QCOMPARE(m_grid->currentColumn(), 2);

        // Enter from the last column of the append row commits the new row and lands below it.
        m_owner->acceptAppend = true;
        m_grid->setCurrentCell(3, 4);
        type(QStringLiteral("7"));
        key(Qt::Key_Return);
        QCOMPARE(m_owner->appendAsks, 1);
        QCOMPARE(m_grid->rowCount(), 5);
        QCOMPARE(m_grid->currentRow(), 5);
        QCOMPARE(m_grid->currentColumn(), 1);
        QCOMPARE(cell(4, 3), QStringLiteral("7"));

        // Navigation keys stay inside the grid.
        key(Qt::Key_Home);
        QCOMPARE(m_grid->currentRow(), 1);
        key(Qt::Key_Left);
        key(Qt::Key_Up);
        QCOMPARE(m_grid->currentColumn(), 1);
        QCOMPARE(m_grid->currentRow(), 1);
        key(Qt::Key_End);
        key(Qt::Key_Down);
        key(Qt::Key_PageDown);
        QCOMPARE(m_grid->currentRow(), m_grid->rowCount());
        m_grid->processKey(CTolGrid::KeyNextRow);
        QCOMPARE(m_grid->currentRow(), m_grid->rowCount());
    }

    void deleteOverSelectedRowsAsksOnce() {
        makeGrid(3, 8);
        m_owner->askBeforeDelete = true;
        QWidget* vp = m_grid->viewport();
        const QPoint head3(10, m_grid->cellRect(1, 3).center().y());
        const QPoint head5(10, m_grid->cellRect(1, 5).center().y());
        mouse(vp, QEvent::MouseButtonPress, head3, Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, head5, Qt::LeftButton);
        mouse(vp, QEvent::MouseButtonRelease, head5, Qt::NoButton);
        QCOMPARE(m_grid->currentRow(), 0);
        QCOMPARE(m_grid->selectionFirst(), 3);
        QCOMPARE(m_grid->selectionLast(), 5);
        QTRY_VERIFY(m_owner->rowChanges.contains(0));

        answerModal(CTolMessageDlg::kNoId);
        key(Qt::Key_Delete);
        QCOMPARE(m_owner->deletes.size(), 1);
        QCOMPARE(m_grid->rowCount(), 9);
        QVERIFY(!m_grid->hasSelection());
        backFromMessageBox();

        mouse(vp, QEvent::MouseButtonPress, head5, Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, head3, Qt::LeftButton); // dragging upwards
        mouse(vp, QEvent::MouseButtonRelease, head3, Qt::NoButton);
        answerModal(CTolMessageDlg::kOkId);
        key(Qt::Key_Delete);
        QCOMPARE(m_owner->deletes.size(), 2);
        QCOMPARE(m_owner->deletes[1], std::make_pair(3, 5));
        QCOMPARE(m_grid->rowCount(), 6);
        QVERIFY(!m_grid->hasSelection());
        QCOMPARE(m_grid->verticalScrollBar()->maximum(), 6);
        backFromMessageBox();

        // Pressing inside the selection clears it; without a selection Delete clears one cell.
        mouse(vp, QEvent::MouseButtonPress, head3, Qt::LeftButton);
        mouse(vp, QEvent::MouseButtonRelease, head3, Qt::NoButton);
        QVERIFY(m_grid->hasSelection());
        mouse(vp, QEvent::MouseButtonPress, head3, Qt::LeftButton);
        mouse(vp, QEvent::MouseButtonRelease, head3, Qt::NoButton);
        QVERIFY(!m_grid->hasSelection());
        m_grid->setCurrentCell(2, 1);
        key(Qt::Key_Delete);
        QCOMPARE(m_owner->deletes.size(), 2);
        QCOMPARE(cell(1, 2), QString());
        m_grid->setAppendText(2, QStringLiteral("nuevo"));
        m_grid->setCurrentCell(2, m_grid->rowCount());
        key(Qt::Key_Delete);
        QVERIFY(m_grid->appendText(2).isEmpty());

        // A read-only grid deletes nothing.
        m_grid->setReadOnly(true);
        m_grid->setSelection(1, 2);
        key(Qt::Key_Delete);
        QCOMPARE(m_owner->deletes.size(), 2);
    }

    void headingsResizeAndClick() {
        makeGrid(4, 3);
        QWidget* vp = m_grid->viewport();
        const int border = m_grid->cellRect(2, 0).right(); // the grid line of column 2
        QCOMPARE(m_grid->columnWidth(2), 60);
        // Grabbed 2 pixels off the line; the width follows the mouse...
        mouse(vp, QEvent::MouseButtonPress, QPoint(border + 2, 5), Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, QPoint(border + 27, 5), Qt::LeftButton);
        QCOMPARE(m_grid->columnWidth(2), 85);
        // ...and never goes below 4 pixels.
        mouse(vp, QEvent::MouseMove, QPoint(border - 200, 5), Qt::LeftButton);
        QCOMPARE(m_grid->columnWidth(2), CTolGrid::MinColumnWidth);
        mouse(vp, QEvent::MouseButtonRelease, QPoint(border - 200, 5), Qt::NoButton);
        QVERIFY(m_owner->headerClicks.isEmpty());
        mouse(vp, QEvent::MouseMove, QPoint(border - 100, 5), Qt::NoButton);
        QCOMPARE(m_grid->columnWidth(2), CTolGrid::MinColumnWidth);

        // 3 pixels off a border is a heading click, reported on release.
        const QPoint onThree(m_grid->cellRect(3, 0).left() + 3, 5);
        QCOMPARE(m_grid->columnAt(onThree.x()), 3);
        mouse(vp, QEvent::MouseButtonPress, onThree, Qt::LeftButton);
        QVERIFY(m_owner->headerClicks.isEmpty());
        mouse(vp, QEvent::MouseButtonRelease, onThree, Qt::NoButton);
        QCOMPARE(m_owner->headerClicks, QList<int>({3}));
    }

    void mouseOnCellsAndCheckBoxes() {
        makeGrid(3, 4);
        m_grid->setColumnCheckBox(3, true);
        QWidget* vp = m_grid->viewport();
        QTest::mouseClick(vp, Qt::LeftButton, {}, cellCentre(2, 3));
        QCOMPARE(m_grid->currentColumn(), 2);
        QCOMPARE(m_grid->currentRow(), 3);
        QTRY_VERIFY(m_owner->rowChanges.contains(3));

        cell(2, 3) = QString();
        QTest::mouseClick(vp, Qt::LeftButton, {}, cellCentre(3, 2));
        QCOMPARE(cell(2, 3), QStringLiteral("T"));
        QTest::mouseClick(vp, Qt::LeftButton, {}, cellCentre(3, 2));
        QCOMPARE(cell(2, 3), QString());
        // The space bar toggles too, also on the append row, which the owner hears about.
        m_grid->setCurrentCell(3, 5);
        key(Qt::Key_Space, QStringLiteral(" "));
        QCOMPARE(m_grid->appendText(3), QStringLiteral("T"));
        QCOMPARE(m_owner->newRowTexts.size(), 1);
        type(QStringLiteral("x")); // other keys do not edit a check box
        QVERIFY(!m_grid->isEditing());

        // Clicking another cell while editing commits the edit first.
        m_grid->setCurrentCell(1, 1);
        type(QStringLiteral("clic"));
        QTest::mouseClick(vp, Qt::LeftButton, {}, cellCentre(2, 4));
        QVERIFY(!m_grid->isEditing());
        QCOMPARE(cell(1, 1), QStringLiteral("clic"));
        QCOMPARE(m_grid->currentRow(), 4);
        QCOMPARE(m_grid->currentColumn(), 2);

        // Tab leaves the grid for the next control; leaving while editing commits.
        type(QStringLiteral("tab"));
        key(Qt::Key_Tab);
        QTRY_VERIFY(m_after->hasFocus());
        QCOMPARE(cell(4, 2), QStringLiteral("tab"));

        // A row heading leaves no current cell; coming back into the grid makes it (1, 1).
        QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(5, cellCentre(1, 2).y()));
        QCOMPARE(m_grid->currentRow(), 0);
        m_after->setFocus();
        QCoreApplication::processEvents(); // what was posted before
        m_owner->rowChanges.clear();
        m_grid->setFocus();
        QCOMPARE(m_grid->currentRow(), 1);
        QCOMPARE(m_grid->currentColumn(), 1);
        QTRY_COMPARE(m_owner->rowChanges, QList<int>({1}));
    }

    void hooksRunInOrderAndCanRedirect() {
        QStringList log;
        HookedGrid* grid = nullptr;
        makeGrid(3, 3, [&](QWidget* parent, ITolGridOwner* owner) {
            grid = new HookedGrid(parent, 1174, owner);
            grid->log = &log;
            return grid;
        });
        m_owner->log = &log;

        log.clear();
        key(Qt::Key_Right);
        QCOMPARE(log, QStringList({"filter", "handler filtered"}));

        log.clear();
        type(QStringLiteral("a"));
        key(Qt::Key_Return);
        QCOMPARE(log, QStringList({"filter", "handler filtered", "commit a", "owner:set a", "handler raw", "filter"}));
        QCOMPARE(grid->currentColumn(), 3);

        // The hook may change the text, keep the cursor in the cell, or go to the next row.
        grid->onCommit = [](TolGridCell& cell, int& k) {
            cell.text = cell.text.toUpper();
            k = 0;
        };
        type(QStringLiteral("b"));
        key(Qt::Key_Return);
        QCOMPARE(cell(1, 3), QStringLiteral("B"));
        QCOMPARE(grid->currentColumn(), 3);
        QCOMPARE(grid->currentRow(), 1);
        grid->onCommit = [](TolGridCell&, int& k) { k = CTolGrid::KeyNextRow; };
        type(QStringLiteral("c"));
        key(Qt::Key_Right);
        QCOMPARE(grid->currentColumn(), 1);
        QCOMPARE(grid->currentRow(), 2);

        // Escape runs no hook; going to a cell and entering runs the whole commit.
        log.clear();
        type(QStringLiteral("d"));
        key(Qt::Key_Escape);
        QVERIFY(!log.contains("commit d"));
        grid->onCommit = nullptr;
        grid->goToCellAndEnter(2, 3, QStringLiteral("prog"), Qt::Key_Return);
        QCOMPARE(cell(3, 2), QStringLiteral("prog"));
        QCOMPARE(grid->currentColumn(), 3);
        QCOMPARE(grid->currentRow(), 3);
    }

    void dropDownCellChoosesFromTheOwnersList() {
        makeGrid(2, 2);
        m_grid->setColumnDropDown(2, true);
        m_owner->listItems = {"Pieza", "Caja", "Kilo", "Metro"};
        cell(1, 2) = QStringLiteral("Kilo");
        m_grid->setCurrentCell(2, 1);
        key(Qt::Key_F2);
        QVERIFY(m_grid->dropCell()->isVisible());
        QCOMPARE(m_grid->dropCell()->count(), 4);
        QCOMPARE(m_grid->dropCell()->currentText(), QStringLiteral("Kilo"));
        key(Qt::Key_Escape);
        QCOMPARE(cell(1, 2), QStringLiteral("Kilo"));
        type(QStringLiteral("m"));
        QCOMPARE(m_grid->dropCell()->currentText(), QStringLiteral("Metro"));
        key(Qt::Key_Return);
        QVERIFY(!m_grid->dropCell()->isVisible());
        QCOMPARE(cell(1, 2), QStringLiteral("Metro"));
    }

    void rowSelectLookActivatesRows() {
        makeGrid(3, 5);
        m_grid->setRowSelect(true);
        QCOMPARE(m_grid->selectionFirst(), 1);
        key(Qt::Key_Down);
        key(Qt::Key_Down);
        QCOMPARE(m_grid->selectionFirst(), 3);
        key(Qt::Key_Return);
        QVERIFY(m_owner->activations.isEmpty()); // posted, not sent
        QTRY_COMPARE(m_owner->activations, QList<int>({3}));
        key(Qt::Key_End);
        QCOMPARE(m_grid->currentRow(), 5); // the last data row, not the append row
        key(Qt::Key_Down);
        QCOMPARE(m_grid->selectionFirst(), 5);
        type(QStringLiteral("a")); // no editing in a list
        QVERIFY(!m_grid->isEditing());
        // ...so a list never builds the in-place editors.
        QVERIFY(!m_grid->findChild<CEditCell*>());
        QVERIFY(!m_grid->findChild<CDropCell*>());

        QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(2, 2));
        QTRY_COMPARE(m_owner->activations, QList<int>({3, 2}));
        QCOMPARE(m_grid->selectionFirst(), 2);
        // Below the last row there is nothing to activate.
        QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(2, 6) + QPoint(0, 40));
        QTest::qWait(20);
        QCOMPARE(m_owner->activations.size(), 2);

        // An empty list activates nothing.
        m_grid->setRowCount(0);
        key(Qt::Key_Return);
        QTest::qWait(20);
        QCOMPARE(m_owner->activations.size(), 2);
    }

    void scrollBarsAndWheel() {
        makeGrid(12, 200);
        QScrollBar* v = m_grid->verticalScrollBar();
        QScrollBar* h = m_grid->horizontalScrollBar();
        QCOMPARE(v->objectName(), QStringLiteral("1155"));
        QCOMPARE(h->objectName(), QStringLiteral("1154"));
        QCOMPARE(v->minimum(), 1);
        QCOMPARE(v->maximum(), 201);
        QCOMPARE(h->minimum(), 1);
        QCOMPARE(h->maximum(), 12);
        const int page = (m_grid->viewport()->height() - CTolGrid::HeadingHeight) / CTolGrid::RowHeight;
        QCOMPARE(m_grid->visibleRows(), page);
        QCOMPARE(v->pageStep(), page);

        // Keys move the current row and the thumb with it, and scroll to keep the row in view.
        key(Qt::Key_PageDown);
        QCOMPARE(m_grid->currentRow(), 1 + page);
        QCOMPARE(v->value(), 1 + page);
        QCOMPARE(m_grid->firstVisibleRow(), 2);
        key(Qt::Key_End);
        QCOMPARE(v->value(), 201);
        QCOMPARE(m_grid->firstVisibleRow(), 201 - page + 1);

        // Bar steps move the first visible row, not the current cell.
        key(Qt::Key_Home);
        v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(m_grid->firstVisibleRow(), 2);
        v->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(m_grid->firstVisibleRow(), 2 + page);
        QCOMPARE(m_grid->currentRow(), 1);
        QCOMPARE(v->value(), 1);

        // The wheel: one row per notch, parts of a notch add up, bounded by row 1.
        wheel(-120);
        QCOMPARE(m_grid->firstVisibleRow(), 3 + page);
        wheel(60);
        QCOMPARE(m_grid->firstVisibleRow(), 3 + page);
        wheel(60);
        QCOMPARE(m_grid->firstVisibleRow(), 2 + page);
        wheel(120 * 500);
        QCOMPARE(m_grid->firstVisibleRow(), 1);

        // Moving right past the window scrolls columns; column 0 stays.
        key(Qt::Key_End);
        for (int i = 0; i < 11; ++i)
            key(Qt::Key_Right);
        QCOMPARE(m_grid->currentColumn(), 12);
        QVERIFY(m_grid->firstVisibleColumn() > 1);
        QCOMPARE(h->value(), 12);
        const QRect last = m_grid->cellRect(12, m_grid->currentRow());
        QVERIFY(last.right() < m_grid->viewport()->width());
        QVERIFY(m_grid->cellRect(1, 1).isEmpty());
        QCOMPARE(m_grid->columnAt(5), 0);
    }

    // Row 100 reads "100", not "00": the heading column widens for three digits and narrows again
    // with fewer rows. A title wider than its column ("Serie/Folio" in 60 pixels) is drawn inside
    // its own heading, not spilled over the neighbours and cut by the next one.
    void headingsShowTheirWholeTexts() {
        makeGrid(3, 120);
        m_grid->setRowNumbers(true);
        m_grid->setColumn(1, QStringLiteral("Serie/Folio"), 60, true);
        for (int i = 1; i < 100; ++i)
            key(Qt::Key_Down);
        QCOMPARE(m_grid->currentRow(), 100);
        const QFontMetrics fm(m_grid->cellFont());
        // The number is drawn from x = 1 to 5 pixels short of the column's right edge.
        QVERIFY2(m_grid->columnWidth(0) - 6 >= fm.horizontalAdvance(QStringLiteral("121")),
                 qPrintable(QString::number(m_grid->columnWidth(0))));

        QImage image(m_grid->viewport()->size(), QImage::Format_RGB32);
        m_grid->viewport()->render(&image);
        saveShot(*m_host, QStringLiteral("grid-fila-100"));
        auto inkColumns = [&](int left, int right, int top, int bottom) {
            QList<int> xs;
            for (int x = std::max(0, left); x <= right; ++x)
                for (int y = top; y <= bottom; ++y)
                    if (qGray(image.pixel(x, y)) < 110) {
                        xs << x;
                        break;
                    }
            return xs;
        };
        // Three separate digits, the first clear of the left edge.
        const int top = m_grid->cellRect(1, 100).top();
        const QList<int> digits = inkColumns(0, m_grid->columnWidth(0) - 2, top + 2, top + CTolGrid::RowHeight - 3);
        QVERIFY(!digits.isEmpty());
        QVERIFY2(digits.first() >= 1, qPrintable(QString::number(digits.first())));
        int runs = 1;
        for (int i = 1; i < digits.size(); ++i)
            runs += digits[i] > digits[i - 1] + 1;
        QCOMPARE(runs, 3);
        // Nothing of the title in the heading column's heading; all of it inside column 1.
        const int left = m_grid->columnWidth(0);
        QVERIFY(inkColumns(1, left - 2, 2, CTolGrid::HeadingHeight - 3).isEmpty());
        const QList<int> title = inkColumns(left + 1, left + 60 + 4, 2, CTolGrid::HeadingHeight - 3);
        QVERIFY(!title.isEmpty());
        QVERIFY2(title.last() < left + 60 - 1, qPrintable(QStringLiteral("%1 %2 %3").arg(left).arg(title.first()).arg(title.last())));

        m_grid->setRowCount(5);
        QVERIFY(m_grid->columnWidth(0) < fm.horizontalAdvance(QStringLiteral("100")) + 6);
    }

    void paintAsksOnlyForVisibleCells() {
        makeGrid(5, 100000);
        m_grid->setRowNumbers(true);
        QImage image(m_grid->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        const int rowsShown =
            (m_grid->viewport()->height() - CTolGrid::HeadingHeight + CTolGrid::RowHeight - 1) / CTolGrid::RowHeight;
        QVERIFY(m_grid->viewport()->width() > 20 + 5 * 60); // all five columns fit

        m_owner->getCalls = 0;
        m_owner->rowsAsked.clear();
        m_grid->viewport()->render(&image);
        QCOMPARE(m_owner->getCalls, rowsShown * 5);
        QCOMPARE(m_owner->rowsAsked.size(), rowsShown);
        for (int r = 1; r <= rowsShown; ++r)
            QVERIFY(m_owner->rowsAsked.contains(r));

        // At the end: the last rows and never the append row, which the grid keeps itself.
        key(Qt::Key_End);
        m_owner->getCalls = 0;
        m_owner->rowsAsked.clear();
        m_grid->viewport()->render(&image);
        QVERIFY(m_owner->getCalls <= rowsShown * 5);
        QVERIFY(m_owner->getCalls >= (rowsShown - 1) * 5);
        QVERIFY(m_owner->rowsAsked.contains(100000));
        QVERIFY(!m_owner->rowsAsked.contains(100001));
        for (int r : std::as_const(m_owner->rowsAsked))
            QVERIFY(r > 100000 - rowsShown);
    }
};

QTEST_MAIN(TestTolGrid)
#include "tst_tolgrid.moc"
