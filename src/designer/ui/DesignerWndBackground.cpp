#include "designer/ui/DesignerWnd.h"

#include "designer/ui/DesignView.h"
#include "toolkit/ui/AcceptCancelButtons.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFormLayout>
#include <QLocale>
#include <QStatusBar>

#include <algorithm>

// The scanned form under the sheet: choosing, removing, fading and aligning it by two points.

void CDesignerWnd::showBackground() {
    const std::shared_ptr<const FormatBackground>& b = m_current.Background;
    if (!b) {
        m_shownBackground.reset();
        m_backgroundImage = QImage();
        m_scene->SetBackground(QImage(), QTransform(), 0);
        return;
    }
    if (!m_shownBackground || (m_shownBackground != b && m_shownBackground->picture != b->picture))
        m_backgroundImage = QImage::fromData(b->picture.data(), static_cast<int>(b->picture.size()));
    m_shownBackground = b;
    if (m_backgroundImage.isNull() || b->width <= 0 || b->height <= 0) {
        m_scene->SetBackground(QImage(), QTransform(), 0);
        return;
    }
    // The same placement as FormatBackground::ToSheet: scaled, turned about its top-left corner, moved.
    QTransform placement;
    placement.translate(b->left, b->top);
    placement.rotate(b->rotation);
    placement.scale(b->width / m_backgroundImage.width(), b->height / m_backgroundImage.height());
    m_scene->SetBackground(m_backgroundImage, placement, b->opacity / 100.0);
}

bool CDesignerWnd::SetBackgroundPicture(const QString& path) {
    if (!m_open) {
        TolMessage(QStringLiteral("- Abra o cree un formato primero -"));
        return false;
    }
    QFile file(path);
    const bool tooLarge = file.size() > static_cast<qint64>(CFormatBackgroundStore::kMaxPictureBytes);
    QByteArray bytes;
    if (!tooLarge && file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    const QImage image = QImage::fromData(bytes);
    if (image.isNull()) {
        TolMessage(QStringLiteral("No se pudo leer la imagen %1.\nUse un archivo PNG, JPEG o BMP.")
                       .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    auto b = std::make_shared<FormatBackground>();
    b->picture.assign(bytes.begin(), bytes.end());
    // At first the scan covers the sheet's width; two reference points place it exactly.
    b->width = m_current.Sheet.width;
    b->height = m_current.Sheet.width * static_cast<double>(image.height()) / image.width();
    if (m_current.Background)
        b->opacity = m_current.Background->opacity;
    // Already decoded: the redraw need not decode it again.
    m_shownBackground = b;
    m_backgroundImage = image;
    CDesignFormat after = m_current;
    after.Background = std::move(b);
    applyDesign(QStringLiteral("Imagen de fondo"), std::move(after));
    return true;
}

void CDesignerWnd::RemoveBackground() {
    if (!m_open || !m_current.Background)
        return;
    CDesignFormat after = m_current;
    after.Background.reset();
    applyDesign(QStringLiteral("Quitar la imagen de fondo"), std::move(after));
}

void CDesignerWnd::SetBackgroundOpacity(int percent) {
    if (!m_current.Background)
        return;
    auto b = std::make_shared<FormatBackground>(*m_current.Background);
    b->opacity = std::clamp(percent, 5, 100);
    CDesignFormat after = m_current;
    after.Background = std::move(b);
    applyDesign(QStringLiteral("Opacidad del fondo"), std::move(after));
}

bool CDesignerWnd::AlignBackground(QPointF clicked1, QPointF clicked2, QPointF true1, QPointF true2) {
    const std::shared_ptr<const FormatBackground>& current = m_current.Background;
    if (!current || m_backgroundImage.isNull() || current->width <= 0 || current->height <= 0)
        return false;
    const FormatBackground& b = *current;
    // Sheet points back to picture pixels through the present placement, turn included.
    auto pixel = [&](QPointF p) {
        return b.ToPicture({p.x(), p.y()}, m_backgroundImage.width(), m_backgroundImage.height());
    };
    const auto placed = b.AlignedBy(pixel(clicked1), pixel(clicked2), {true1.x() * 10, true1.y() * 10},
                                    {true2.x() * 10, true2.y() * 10}, m_backgroundImage.width(),
                                    m_backgroundImage.height());
    if (!placed) {
        TolMessage(QStringLiteral("- Los dos puntos deben estar separados -"));
        return false;
    }
    CDesignFormat after = m_current;
    after.Background = std::make_shared<const FormatBackground>(*placed);
    applyDesign(QStringLiteral("Alinear el fondo"), std::move(after));
    statusBar()->showMessage(QStringLiteral("Imagen alineada; giro de %1°").arg(QLocale(QLocale::Spanish, QLocale::Mexico).toString(placed->rotation, 'f', 2)), 5000);
    return true;
}

void CDesignerWnd::askBackgroundPoints() {
    if (!m_current.Background) {
        TolMessage(QStringLiteral("- Primero ponga una imagen de fondo -"));
        return;
    }
    m_picked.clear();
    m_scene->SetTool(CDesignScene::Tool::Pick);
    m_view->viewport()->setCursor(Qt::CrossCursor);
    statusBar()->showMessage(QStringLiteral("Haga clic en el primer punto de referencia de la imagen"));
}

void CDesignerWnd::pointPicked(const QPointF& at) {
    m_picked.push_back(at);
    if (m_picked.size() < 2) {
        statusBar()->showMessage(QStringLiteral("Haga clic en el segundo punto de referencia de la imagen"));
        return;
    }
    m_scene->SetTool(CDesignScene::Tool::Select);
    Action(QStringLiteral("herramienta_seleccionar"))->setChecked(true);
    m_view->viewport()->unsetCursor();
    statusBar()->clearMessage();
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Posición de los puntos"));
    auto* form = new QFormLayout(&dialog);
    QDoubleSpinBox* values[4];
    const QString labels[4] = {QStringLiteral("Punto 1, desde la izquierda:"), QStringLiteral("Punto 1, desde arriba:"),
                               QStringLiteral("Punto 2, desde la izquierda:"), QStringLiteral("Punto 2, desde arriba:")};
    for (int k = 0; k < 4; ++k) {
        values[k] = new QDoubleSpinBox;
        values[k]->setDecimals(1);
        values[k]->setRange(-1000, 3000);
        values[k]->setSuffix(QStringLiteral(" mm"));
        const QPointF& p = m_picked[static_cast<std::size_t>(k / 2)];
        values[k]->setValue((k % 2 == 0 ? p.x() : p.y()) / 10.0);
        form->addRow(labels[k], values[k]);
    }
    form->addRow(AcceptCancelButtons(&dialog));
    const std::vector<QPointF> picked = m_picked;
    m_picked.clear();
    if (dialog.exec() == QDialog::Accepted)
        AlignBackground(picked[0], picked[1], QPointF(values[0]->value(), values[1]->value()),
                        QPointF(values[2]->value(), values[3]->value()));
}
