#include "reports/ui/RepPage.h"

#include "printing/ui/PagePainter.h"

#include <QImage>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPageRanges>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QWheelEvent>

#include <algorithm>
#include <limits>

CRepPage::CRepPage(const CRepData& data, QWidget* parent) : QWidget(parent), m_model(data, m_measure) {
    setObjectName(QString::number(kControlId));
    setMouseTracking(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

double CRepPage::scale() const { return width() > 0 ? double(width()) / m_model.PageWidth() : 1.0; }

int CRepPage::visibleHeight() const {
    if (width() <= 0)
        return 0;
    return height() * m_model.SheetHeight() / width();
}

// The whole sheet can always be brought into view, however short the window.
int CRepPage::scrollMaximum() const { return std::max(0, m_model.SheetHeight() - visibleHeight()); }

void CRepPage::setScroll(int logicalY) {
    const int s = std::clamp(logicalY, 0, scrollMaximum());
    if (s != m_scroll) {
        m_scroll = s;
        update();
    }
}

void CRepPage::paintSheet(QPainter& painter, int w, int h) {
    painter.fillRect(QRect(0, 0, w, h), palette().color(QPalette::Button));
    const double k = w > 0 ? double(w) / m_model.PageWidth() : 1.0;
    painter.save();
    painter.translate(0, -m_scroll * k);
    const QRectF sheet(0, 0, m_model.PageWidth() * k, m_model.SheetHeight() * k);
    painter.fillRect(sheet, Qt::white);
    painter.setPen(Qt::black);
    painter.drawRect(sheet.adjusted(0, 0, -1, -1));
    const PrintPage page = m_model.DrawPage();
    // PaintPage maps 0.1 mm through dots per inch: k pixels per 0.1 mm is 254·k dots per inch.
    PaintPage(painter, page, k * 254.0);
    painter.restore();
    Q_EMIT pageDrawn(m_model.CurrentPage(), m_model.PageCount());
}

void CRepPage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintSheet(painter, width(), height());
}

QImage CRepPage::renderPage(int w) {
    const int h = int(std::lround(double(w) * m_model.SheetHeight() / m_model.PageWidth()));
    QImage image(w, h, QImage::Format_RGB32);
    QPainter painter(&image);
    const int saved = m_scroll;
    m_scroll = 0;
    paintSheet(painter, w, h);
    m_scroll = saved;
    return image;
}

bool CRepPage::printAll(QPrinter& printer) { return printPages(printer, {}); }

bool CRepPage::printPages(QPrinter& printer, const QPageRanges& pages) {
    printer.setFullPage(true);
    printer.setDocName(QStringLiteral("Quintaleva 2"));
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(m_model.IsPortrait() ? QPageLayout::Portrait : QPageLayout::Landscape);
    const int shown = m_model.CurrentPage();
    m_model.SetAdjustMode(false);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // The page count is recomputed by every printed page.
    const int first = pages.isEmpty() ? 1 : std::max(1, pages.firstPage());
    const int last = pages.isEmpty() ? std::numeric_limits<int>::max() : pages.lastPage();
    bool started = false;
    for (int p = first; p <= last; ++p) {
        if (!pages.isEmpty() && !pages.contains(p))
            continue;
        m_model.SetCurrentPage(p);
        if (m_model.CurrentPage() != p)
            break;
        if (started)
            printer.newPage();
        started = true;
        PaintPage(painter, m_model.DrawPage(), printer.resolution());
        if (p >= m_model.PageCount())
            break;
    }
    const bool ok = painter.end();
    m_model.SetCurrentPage(shown);
    update();
    return ok;
}

QPoint CRepPage::logical(const QPointF& pos) const {
    const double k = scale();
    return QPoint(int(pos.x() / k), int(pos.y() / k) + m_scroll);
}

void CRepPage::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = logical(event->position());
    // The press grabs the mouse implicitly until release, so the drag follows it off the widget.
    if (m_model.BeginDrag(p.x(), p.y()))
        setCursor(Qt::SizeHorCursor);
}

void CRepPage::mouseMoveEvent(QMouseEvent* event) {
    if (!m_model.Dragging())
        return;
    m_model.DragTo(logical(event->position()).x());
    update();
}

void CRepPage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_model.Dragging())
        return;
    m_model.EndDrag();
    unsetCursor();
    update();
}

void CRepPage::wheelEvent(QWheelEvent* event) {
    Q_EMIT scrollBy(-event->angleDelta().y() / 2);
    event->accept();
}
