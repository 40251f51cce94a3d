#pragma once

#include <QGraphicsView>

#include <cstdint>

class CDesignScene;
class CRuler;

// The window onto the sheet: zoom from 25 to 400 % of the real size (Ctrl+wheel about the
// point under the mouse, fit to the window), Shift+wheel across, rulers in millimetres along the top and left, and the arrow keys that nudge the
// selection 0.1 mm (1 mm with Shift).
class CDesignView final : public QGraphicsView {
    Q_OBJECT
public:
    static constexpr double kMinZoom = 0.25;
    static constexpr double kMaxZoom = 4.0;

    explicit CDesignView(CDesignScene* scene, QWidget* parent = nullptr);

    double Zoom() const { return m_zoom; }
    void SetZoom(double zoom);
    void ZoomIn() { SetZoom(m_zoom * 1.25); }
    void ZoomOut() { SetZoom(m_zoom / 1.25); }
    void FitToWindow();
    // Zooms keeping the sheet point at `viewportPos` where it is on the screen.
    void ZoomAt(double zoom, const QPoint& viewportPos);

Q_SIGNALS:
    void nudgeRequested(std::int32_t dx, std::int32_t dy);
    void zoomChanged(double zoom);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    CDesignScene* m_scene;
    CRuler* m_top;
    CRuler* m_left;
    double m_zoom = 1;
    int m_wheelRest = 0;
};
