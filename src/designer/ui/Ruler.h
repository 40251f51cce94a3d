#pragma once

#include <QWidget>

class QGraphicsView;

// A ruler in millimetres beside the designer's view: 0 at the sheet's left or top edge, marks
// every millimetre that the zoom leaves room for, numbers every ten.
class CRuler final : public QWidget {
public:
    static constexpr int kThickness = 20;

    CRuler(Qt::Orientation orientation, QGraphicsView* view);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation m_orientation;
    QGraphicsView* m_view;
};
