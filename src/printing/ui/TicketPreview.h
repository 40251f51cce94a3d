#pragma once

#include "printing/RenglonTicket.h"

#include <QStringList>
#include <QWidget>

#include <vector>

// The ticket designer's picture of the ticket as the printer puts it on paper: the paper `columns`
// characters wide, in a fixed-pitch face on white from (10, 10). A row longer than the paper
// continues on the next printed lines, as the printer wraps it; those lines carry a mark in the
// left margin and the row's band spans them all. A character the printer cannot print shows as the
// "?" it becomes, on a yellow ground. The selected row is red on a grey band. A click selects the
// row under it (even past the last row, which selects nothing usable); a double-click asks for
// the row to be edited. It owns the rows being edited.
class CTicketPreview final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTicketPreview)
public:
    static constexpr int kId = 1174;
    static constexpr int kMargin = 10;
    static constexpr int kFontHeight = 14;
    // The wrapped lines' mark.
    static constexpr const char16_t* kWrapMark = u"↪";

    explicit CTicketPreview(QWidget* parent = nullptr);

    std::vector<CRenglonTicket>& rows() { return m_rows; }
    const std::vector<CRenglonTicket>& rows() const { return m_rows; }
    // After the rows changed: fits the height to them and repaints.
    void rowsChanged();
    void setColumns(int columns);
    int columns() const { return m_columns; }

    // The printed lines of `text` on paper `columns` wide: the text in Windows-1252 terms (a
    // character outside it is "?"), cut every `columns` characters.
    static QStringList PrintedLines(const QString& text, int columns);
    // The printed lines of row `index` and the first of them, counted over the whole ticket.
    int lineCount(int index) const;
    int firstLine(int index) const;

    // −1 for none; may point past the last row.
    int selection() const { return m_selection; }
    void setSelection(int index);
    // The selected row, or null when the selection is none or past the end.
    CRenglonTicket* selectedRow();

    int rowHeight() const { return m_rowHeight; }
    // The row index a click at `y` selects.
    int rowAt(int y) const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void editRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void layoutRows();

    std::vector<CRenglonTicket> m_rows;
    std::vector<int> m_firstLine; // per row, and one more: the total
    int m_columns = FormatData::kTicketColumns;
    int m_selection = -1;
    int m_rowHeight = kFontHeight;
};
