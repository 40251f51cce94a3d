// Paint of a 100,000-row grid into an off-screen image: time per paint and owner calls per paint.
// The owner formats its texts on every call, as the catalogue and search lists do.

#include "toolkit/ui/TolGrid.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 100000;

class ListOwner final : public ITolGridOwner {
public:
    long long calls = 0;

    void tgmGetCellText(int, TolGridCell& cell) override {
        ++calls;
        switch (cell.column) {
        case 1:
            cell.text = QStringLiteral("A%1").arg(cell.row, 6, 10, QLatin1Char('0'));
            break;
        case 2:
            cell.text = QStringLiteral("%1/Mar/2004").arg(cell.row % 28 + 1, 2, 10, QLatin1Char('0'));
            break;
        case 3:
            cell.text = QStringLiteral("Cliente número %1, S.A. de C.V.").arg(cell.row);
            break;
        default:
            cell.text = QStringLiteral("$%1.00").arg(cell.row % 9000 + 1000);
            break;
        }
    }
};

void paintGrid(benchmark::State& state, bool rowSelect, int startRow) {
    ListOwner owner;
    CTolGrid grid(nullptr, 1174, &owner);
    grid.setColumnCount(4);
    grid.setColumn(1, QStringLiteral("Serie/Folio"), 60);
    grid.setColumn(2, QStringLiteral("Fecha"), 80);
    grid.setColumn(3, QStringLiteral("Cliente"), 300);
    grid.setColumn(4, QStringLiteral("Importe"), 120, false, CTolGrid::AlignRight);
    grid.setRowCount(kRows);
    grid.setRowNumbers(true);
    grid.setRowSelect(rowSelect);
    grid.resize(800, 600);
    grid.show();
    QCoreApplication::processEvents();
    grid.setCurrentCell(1, startRow);

    QImage image(grid.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    grid.viewport()->render(&image); // warm up fonts and the buffer
    owner.calls = 0;
    for (auto _ : state) {
        grid.viewport()->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["owner_calls_per_paint"] = benchmark::Counter(double(owner.calls), benchmark::Counter::kAvgIterations);
    state.counters["first_row"] = grid.firstVisibleRow();
}

void BM_RowSelectTop(benchmark::State& state) { paintGrid(state, true, 1); }
void BM_RowSelectMiddle(benchmark::State& state) { paintGrid(state, true, kRows / 2); }
void BM_RowSelectEnd(benchmark::State& state) { paintGrid(state, true, kRows); }
void BM_EditingMiddle(benchmark::State& state) { paintGrid(state, false, kRows / 2); }

} // namespace

BENCHMARK(BM_RowSelectTop)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_RowSelectMiddle)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_RowSelectEnd)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_EditingMiddle)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
