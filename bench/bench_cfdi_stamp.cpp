// Sealing and stamping an invoice of 99 lines, as "Factura electrónica" does it after a save:
// CCfdiIssuer::Seal (build, cadena, CSD, seal), CCfdiIssuer::Save (file and database) and
// CCfdiStamper::Stamp through the tests' stand-in PAC on 127.0.0.1, with Finkok's protocol (0) and
// SW's (1). The time reported is our side alone: the whole, less the stand-in's own handling of
// each request (timed inside it, from the request read to the answer sent). Counters give the
// medians per invoice: `ours_ms` (the reported time); its parts `seal_ms` (Seal), `save_ms` (Save) and
// `stamp_ms` (Stamp, less the stand-in); and `standin_ms`, what was left out. The goal: our side
// under 50 ms.
#include "CfdiFixture.h"
#include "StandInPac.h"
#include "cfdi/CfdiIssuer.h"
#include "cfdi/CfdiStamper.h"
#include "cfdi/PacClient.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

double ms(std::chrono::nanoseconds d) { return std::chrono::duration<double, std::milli>(d).count(); }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void BM_SealAndStamp99Lines(benchmark::State& state) {
    const char* const user = "banco@negocio.mx";
    const char* const password = "Clave-Del-PAC";
    CfdiFixture f;
    StandInPac pac(user, password);
    const PacProveedor provider = state.range(0) == 0 ? PacProveedor::Finkok : PacProveedor::Sw;
    const auto client = CPacClient::Create(PacConfig{provider, PacAmbiente::Pruebas, pac.url(), user, password}, {10000, 30000});
    // Lines over articles with the usual taxes and withholdings, as a shop's invoice has them.
    const std::int32_t articles[] = {
        f.addArticle("CUAD", "Cuaderno profesional de 100 hojas", "14111514", f.iva16),
        f.addArticle("HON", "Honorarios por asesoría contable", "80101500", f.iva16, 0, f.retIva, f.retIsr),
        f.addArticle("REFR", "Refresco de cola de 600 ml", "50202301", f.ieps8, f.iva16),
        f.addArticle("TORT", "Tortilla de maíz por kilo", "50221300", f.iva0),
    };
    std::vector<CPartida> lines;
    for (int i = 0; i < 99; ++i)
        lines.push_back(f.line(articles[i % 4], 12.5 + i * 3.37, 1 + i % 7, i % 5 == 0 ? 10 : 0));

    std::vector<double> ours, seal, save, stamp, standIn;
    int folio = 0;
    for (auto _ : state) {
        const std::int32_t id = f.save(f.cliente, ++folio, lines, "B");
        const std::filesystem::path file = f.dir.path() / ("b" + std::to_string(folio) + ".xml");
        const auto pacBefore = pac.handlingTime();
        const auto start = Clock::now();
        const CCfdiIssuer::Sealed sealed = CCfdiIssuer(*f.db).Seal(id, {"03", "PUE", "G03", "", ""}, CfdiKit::password(), CfdiFixture::sealingNow());
        const auto builtAt = Clock::now();
        std::string error;
        if (!sealed.ok() || !CCfdiIssuer(*f.db).Save(id, sealed, file, error)) {
            state.SkipWithError(sealed.ok() ? error.c_str() : sealed.errors.front().c_str());
            break;
        }
        const auto sealedAt = Clock::now();
        const CCfdiStamper::Result r = CCfdiStamper(*f.db, *client).Stamp(id, file);
        const auto end = Clock::now();
        if (r.state != CCfdiStamper::State::Stamped) {
            state.SkipWithError(r.message.c_str());
            break;
        }
        const auto pacSpent = pac.handlingTime() - pacBefore;
        const auto our = (end - start) - pacSpent;
        state.SetIterationTime(std::chrono::duration<double>(our).count());
        ours.push_back(ms(our));
        seal.push_back(ms(builtAt - start));
        save.push_back(ms(sealedAt - builtAt));
        stamp.push_back(ms((end - sealedAt) - pacSpent));
        standIn.push_back(ms(pacSpent));
    }
    state.counters["ours_ms"] = median(ours);
    state.counters["seal_ms"] = median(seal);
    state.counters["save_ms"] = median(save);
    state.counters["stamp_ms"] = median(stamp);
    state.counters["standin_ms"] = median(standIn);
}
BENCHMARK(BM_SealAndStamp99Lines)->Arg(0)->Arg(1)->ArgName("sw")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

} // namespace

BENCHMARK_MAIN();
