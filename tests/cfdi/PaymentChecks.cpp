#include "PaymentChecks.h"

#include "CfdiKit.h"
#include "cfdi/CfdiAmounts.h"
#include "cfdi/XmlDocument.h"
#include "support/ScratchDir.h"

#include <cstdlib>
#include <map>
#include <tuple>

namespace {

using A = std::int64_t;

const CfdiKit::SchemaValidator& schemas() {
    static ScratchDir scratch;
    static const CfdiKit::SchemaValidator validator(scratch.path());
    return validator;
}

// An amount in millionths, whatever decimals it was written with.
A micros(const _xmlNode* n, const char* attribute) {
    return CfdiAmounts::parse(CXmlDocument::attribute(n, attribute), 6).value_or(-1);
}

std::string money(A m) { return CfdiAmounts::sixDecimals(m); }

} // namespace

std::string PaymentProblems(const std::string& cfdi) {
    if (std::string e = schemas().validate(cfdi); !e.empty())
        return "CFDI40101 El comprobante no cumple con el esquema: " + e;
    const CXmlDocument doc(cfdi);
    const auto* root = doc.root();
    if (CXmlDocument::attribute(root, "SubTotal") != "0" || CXmlDocument::attribute(root, "Total") != "0" ||
        CXmlDocument::attribute(root, "Moneda") != "XXX")
        return "CRP101 SubTotal y Total deben ser 0 y la Moneda XXX.";
    if (CXmlDocument::attribute(doc.find("Receptor"), "UsoCFDI") != "CP01")
        return "CRP103 El UsoCFDI debe ser CP01.";
    const auto* totales = doc.find("Totales");
    A montoTotal = 0;
    // By impuesto, tipo factor and tasa: the documents' taxes and the payments' summaries.
    using Key = std::tuple<bool, std::string, std::string, A>;
    std::map<Key, std::pair<A, A>> dr, p;
    for (const auto* pago : doc.findAll("Pago")) {
        const A monto = micros(pago, "Monto");
        montoTotal += monto;
        A pagado = 0;
        for (const auto* d : doc.findAll("DoctoRelacionado", pago)) {
            const A ant = micros(d, "ImpSaldoAnt"), pag = micros(d, "ImpPagado"), ins = micros(d, "ImpSaldoInsoluto");
            if (ant <= 0 || pag <= 0 || ins < 0 || ant - pag != ins)
                return "CRP20218 ImpSaldoInsoluto debe ser ImpSaldoAnt menos ImpPagado (" + money(ant) + " - " +
                       money(pag) + " != " + money(ins) + ").";
            pagado += pag;
            for (const bool ret : {true, false})
                for (const auto* t : doc.findAll(ret ? "RetencionDR" : "TrasladoDR", d)) {
                    const A base = micros(t, "BaseDR"), importe = micros(t, "ImporteDR");
                    const bool exento = CXmlDocument::attribute(t, "TipoFactorDR") == "Exento";
                    const A tasa = exento ? 0 : micros(t, "TasaOCuotaDR");
                    // The amount is its base at its rate, give or take the cent the rounding moves.
                    if (!exento && std::llabs(base * tasa / 1'000'000 - importe) > 10'000)
                        return "CRP20236 ImporteDR " + money(importe) + " no corresponde a BaseDR " + money(base) +
                               " por TasaOCuotaDR.";
                    auto& sum = dr[{ret, CXmlDocument::attribute(t, "ImpuestoDR"),
                                    ret ? std::string() : CXmlDocument::attribute(t, "TipoFactorDR"), ret ? 0 : tasa}];
                    sum.first += ret ? 0 : base;
                    sum.second += exento ? 0 : importe;
                }
        }
        if (pagado > monto)
            return "CRP20240 La suma de ImpPagado excede el Monto del pago.";
        for (const bool ret : {true, false})
            for (const auto* t : doc.findAll(ret ? "RetencionP" : "TrasladoP", pago)) {
                const bool exento = CXmlDocument::attribute(t, "TipoFactorP") == "Exento";
                auto& sum = p[{ret, CXmlDocument::attribute(t, "ImpuestoP"),
                               ret ? std::string() : CXmlDocument::attribute(t, "TipoFactorP"),
                               ret || exento ? 0 : micros(t, "TasaOCuotaP")}];
                sum.first += ret ? 0 : micros(t, "BaseP");
                sum.second += exento ? 0 : micros(t, "ImporteP");
            }
    }
    for (const auto& [key, sum] : dr) {
        const auto it = p.find(key);
        if (it == p.end() || std::llabs(it->second.first - sum.first) > 10'000 ||
            std::llabs(it->second.second - sum.second) > 10'000)
            return "CRP20260 Los impuestos del pago (ImpuestosP) no son la suma de los de sus documentos.";
    }
    if (p.size() != dr.size())
        return "CRP20261 ImpuestosP tiene impuestos que ningún documento relacionado lleva.";
    if (micros(totales, "MontoTotalPagos") != montoTotal)
        return "CRP20320 MontoTotalPagos debe ser la suma de los Monto.";
    for (const auto& [rate, label] : {std::pair<A, std::string>{160'000, "16"}, {80'000, "8"}, {0, "0"}}) {
        const auto it = p.find({false, "002", "Tasa", rate});
        const bool stated = CXmlDocument::hasAttribute(totales, ("TotalTrasladosBaseIVA" + label).c_str());
        if ((it != p.end()) != stated)
            return "CRP20330 TotalTrasladosBaseIVA" + label + " debe estar si y solo si hay traslados de IVA " + label + " %.";
        if (it != p.end() && (std::llabs(micros(totales, ("TotalTrasladosBaseIVA" + label).c_str()) - it->second.first) > 10'000 ||
                              std::llabs(micros(totales, ("TotalTrasladosImpuestoIVA" + label).c_str()) - it->second.second) > 10'000))
            return "CRP20331 Los totales de IVA " + label + " % no son los de ImpuestosP.";
    }
    return {};
}
