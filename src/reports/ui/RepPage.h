#pragma once

#include "printing/ui/QtTextMeasure.h"
#include "reports/RepPageModel.h"

#include <QWidget>

class CRepData;
class QPainter;
class QPageRanges;
class QPrinter;

// The page window of the report viewer: one sheet of the report, drawn to the widget's width,
// scrolled vertically by the viewer. Column grips are dragged here in adjust mode.
class CRepPage final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRepPage)
public:
    static constexpr int kControlId = 1174;

    CRepPage(const CRepData& data, QWidget* parent = nullptr);

    CRepPageModel& model() { return m_model; }
    const CRepPageModel& model() const { return m_model; }

    // The logical height V of the visible area (0.1 mm) for the widget's size.
    int visibleHeight() const;
    // Sheet offset at the top of the widget, 0.1 mm; clamped to the scroll range.
    void setScroll(int logicalY);
    int scroll() const { return m_scroll; }
    int scrollMaximum() const;

    // Draws every page on `printer` (letter paper, the model's orientation, full-page), adjust mode
    // off; the page shown before is shown again afterwards. False when the printer cannot start.
    bool printAll(QPrinter& printer);
    // The same for the pages in `pages` (counted from 1); every page when it is empty.
    bool printPages(QPrinter& printer, const QPageRanges& pages);
    // The current page as the screen shows it, `width` pixels wide (for tests and previews).
    QImage renderPage(int width);

Q_SIGNALS:
    // Each time a page is drawn: its number and the page count.
    void pageDrawn(int page, int count);
    // The wheel asks the viewer to scroll by `delta` logical units.
    void scrollBy(int delta);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void paintSheet(QPainter& painter, int width, int height);
    double scale() const; // pixels per 0.1 mm
    QPoint logical(const QPointF& pos) const;

    CQtTextMeasure m_measure;
    CRepPageModel m_model;
    int m_scroll = 0;
};
