// The designer's sheet with a 200-element format: building it (opening the format) and one step
// of dragging a selection of 50 elements with the mouse, repaint of the whole view included.
// A step must stay well under one frame (16 ms).

#include "designer/SheetValues.h"
#include "designer/ui/DesignScene.h"
#include "designer/ui/DesignView.h"
#include "printing/ui/QtTextMeasure.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

namespace {

// 200 elements over a letter sheet: 160 texts of one or two data (a quarter of them detail
// data), 20 lines and 20 rectangles.
CWindowsFormat bigFormat() {
    CWindowsFormat f;
    f.DetailTop = -900;
    f.DetailBottom = -2200;
    f.Pitch = 50;
    f.Caben = 26;
    for (int i = 0; i < 200; ++i) {
        CRenglonFormato e;
        const std::int32_t x = 100 + (i % 4) * 500;
        const std::int32_t y = -100 - (i / 4) * 50;
        e.Position = {x, y, x + 450, y - 40};
        if (i % 10 == 8) {
            e.IsLine = 1;
            e.Position.bottom = y;
        } else if (i % 10 == 9) {
            e.IsRectangle = 1;
        } else {
            e.Fields.emplace_back(i % 4 == 3 ? FIELD_DETAIL : FIELD_DOC, i % 4 == 3 ? i % 15 : i % 38);
            if (i % 3 == 0)
                e.Fields.emplace_back(std::string(" - texto"));
            e.Font.Height = -30 - (i % 3) * 5;
        }
        f.Elements.push_back(std::move(e));
    }
    return f;
}

struct Sheet {
    CQtTextMeasure measure;
    const CSheetValues values = CSheetValues::Samples();
    CWindowsFormat format = bigFormat();
    CDesignScene scene{measure};
    CDesignView view{&scene};

    Sheet() {
        view.resize(1200, 900);
        view.show();
        scene.Show(&format, &values);
        view.FitToWindow();
        QCoreApplication::processEvents();
    }
};

void mouse(QWidget* w, QEvent::Type type, QPointF at) {
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void BM_OpenFormat(benchmark::State& state) {
    Sheet sheet;
    QImage image(sheet.view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        sheet.scene.Rebuild();
        sheet.view.viewport()->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_DragFiftyElements(benchmark::State& state) {
    Sheet sheet;
    ElementOps::Selection fifty;
    for (std::size_t i = 0; i < 50; ++i)
        fifty.push_back(i * 4);
    sheet.scene.SelectIndices(fifty);
    QWidget* viewport = sheet.view.viewport();
    QImage image(viewport->size(), QImage::Format_ARGB32_Premultiplied);
    viewport->render(&image); // warm up fonts and the item caches
    const QPointF start = sheet.view.mapFromScene(QPointF(300, 120));
    mouse(viewport, QEvent::MouseButtonPress, start);
    int step = 0;
    for (auto _ : state) {
        // Back and forth across 2 cm, a few pixels per event.
        const int k = step++ % 40;
        const qreal dx = (k < 20 ? k : 40 - k) * 3.0;
        mouse(viewport, QEvent::MouseMove, start + QPointF(dx, dx / 2));
        viewport->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    mouse(viewport, QEvent::MouseButtonRelease, start);
}

} // namespace

BENCHMARK(BM_OpenFormat)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_DragFiftyElements)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
