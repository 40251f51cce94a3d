#pragma once

#include "invoice/DocumentTotals.h"

#include <QFont>
#include <QStringList>
#include <QWidget>

class CLineas;

// The document totals panel of the invoice form: green on black, either the eight-line breakdown
// or the total alone in large type; a click switches between the two. Saving, printing and the
// payment registration read the totals from here.
class CTotalWnd final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTotalWnd)
public:
    static constexpr int kBreakdownMoneyWidth = 14;

    explicit CTotalWnd(QWidget* parent = nullptr);

    // Every total again from the lines and the line being typed in the append row; repaints.
    void Recompute(const CLineas& lines);
    // How the next Recompute adds the lines up (the database decides: DocumentRounding).
    void SetRounding(TotalsRounding rounding) { m_rounding = rounding; }
    // All totals to 0; repaints.
    void Clear();

    const DocumentTotals& totals() const { return m_totals; }
    double Importe() const { return m_totals.Importe; }
    double Descuento() const { return m_totals.Descuento; }
    double Impuesto1() const { return m_totals.Impuesto1; }
    double Impuesto2() const { return m_totals.Impuesto2; }
    double Retencion1() const { return m_totals.Retencion1; }
    double Retencion2() const { return m_totals.Retencion2; }
    double Subtotal() const { return m_totals.Subtotal; }
    double Total() const { return m_totals.Total; }
    double ImporteNeto() const { return m_totals.ImporteNeto; }
    double DescuentoNeto() const { return m_totals.DescuentoNeto; }

    // True while the eight-line breakdown is shown (the initial view).
    bool IsDetailed() const { return m_detailed; }
    // The eight lines of the breakdown, top to bottom, as they are drawn.
    QStringList BreakdownLines() const;
    // The large view's amount.
    QString LargeTotalText() const;
    const QFont& bigFont() const { return m_bigFont; }
    const QFont& smallFont() const { return m_smallFont; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QFont m_bigFont;
    QFont m_smallFont;
    DocumentTotals m_totals;
    TotalsRounding m_rounding = TotalsRounding::Unrounded;
    bool m_detailed = true;
};
