#pragma once

#include "printing/RenglonTicket.h"

#include <QWidget>

#include <vector>

// The ticket designer's picture of the ticket: each row's preview text in a fixed-pitch face on
// white, the first at (10, 10), one row height apart; the selected row in red on a grey band. A
// click selects the row under it (even past the last row, which selects nothing usable); a
// double-click asks for the row to be edited. It owns the rows being edited.
class CTicketPreview final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTicketPreview)
public:
    static constexpr int kId = 1174;
    static constexpr int kMargin = 10;
    static constexpr int kFontHeight = 14;

    explicit CTicketPreview(QWidget* parent = nullptr);

    std::vector<CRenglonTicket>& rows() { return m_rows; }
    const std::vector<CRenglonTicket>& rows() const { return m_rows; }
    // After the rows changed: fits the height to them and repaints.
    void rowsChanged();

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
    std::vector<CRenglonTicket> m_rows;
    int m_selection = -1;
    int m_rowHeight = kFontHeight;
};
