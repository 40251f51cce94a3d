// Cancelling stamped CFDIs before the SAT through the stand-in PAC: what is refused before the PAC
// is asked, the whole cycle from the request to the SAT's "Cancelado" (only then is the document
// cancelled in the program), a replacement with relation 04, a rejection, payment complements
// first, and a request whose answer was lost.
#include "CfdiFixture.h"
#include "StandInPac.h"
#include "cfdi/CfdiCanceller.h"
#include "cfdi/CfdiIssuer.h"
#include "cfdi/CfdiSealAndStamp.h"
#include "cfdi/PacClient.h"
#include "cfdi/XmlDocument.h"
#include "db/Statement.h"
#include "receivables/PaymentStore.h"

#include <gtest/gtest.h>

namespace {

const char* const kUser = "cancela@negocio.mx";
const char* const kPassword = "Clave-PAC-7";

class CfdiCancellerTest : public ::testing::TestWithParam<PacProveedor>, public CfdiFixture {
protected:
    StandInPac pac{kUser, kPassword};
    std::unique_ptr<CPacClient> client =
        CPacClient::Create(PacConfig{GetParam(), PacAmbiente::Pruebas, pac.url(), kUser, kPassword}, {3000, 3000});
    std::int32_t article = addArticle("C1", "Bisagra", "31162800", iva16);

    std::int32_t stamped(std::int32_t folio, const std::string& metodo = "PUE", const std::string& sustituye = "") {
        const std::int32_t id = save(cliente, folio, {line(article, 120, 3)}, "C");
        CCfdiSealAndStamp::Request request;
        request.fiscal.metodoPago = metodo;
        request.fiscal.formaPago = metodo == "PUE" ? "01" : "99";
        request.fiscal.sustituyeUuid = sustituye;
        request.password = CfdiKit::password();
        const auto r = CCfdiSealAndStamp(*db, *client).Run(id, request, sealingNow());
        EXPECT_EQ(r.state, CCfdiStamper::State::Stamped) << r.message << (r.errors.empty() ? "" : r.errors[0]);
        return id;
    }
    CCfdiCanceller canceller() { return CCfdiCanceller(*db, *client); }
    CCfdiCanceller::Request motive(const std::string& m, std::int32_t sustituto = 0) {
        return {m, sustituto, CfdiKit::password()};
    }
    bool cancelled(std::int32_t id) {
        Statement s = db->prepare("SELECT Cancelada FROM Documentos WHERE Id_Documento = ?");
        s.bind(1, std::int64_t{id});
        return s.step() && s.integer(0) != 0;
    }
    std::size_t cancelRequests() {
        std::size_t n = 0;
        for (const auto& r : pac.requests())
            n += r.body.find("cancel>") != std::string::npos || r.path == "/cfdi33/cancel/csd";
        return n;
    }
};

} // namespace

TEST_P(CfdiCancellerTest, WhatCannotBeCancelledIsRefusedBeforeAskingThePac) {
    const std::int32_t sealedOnly = save(cliente, 1, {line(article, 10, 1)}, "C");
    CCfdiIssuer issuer(*db);
    const auto sealed = issuer.Seal(sealedOnly, {"01", "PUE", "G03", "", ""}, CfdiKit::password(), sealingNow());
    ASSERT_TRUE(sealed.ok());
    issuer.Store(sealedOnly, sealed);
    const std::int32_t id = stamped(2);
    const std::int32_t other = stamped(3);
    const struct {
        CfdiKey key;
        CCfdiCanceller::Request request;
        const char* says;
    } cases[] = {
        {sealedOnly, motive("02"), "sólo está sellada"},
        {id, motive("05"), "no es válido"},
        {id, motive("01"), "el documento que la sustituye"},
        {id, motive("01", other), "no lleva la relación 04"},
        {id, motive("01", id), "no se sustituye a sí mismo"},
        {id, motive("02", other), "Sólo el motivo 01"},
        {id, {"02", 0, ""}, "Falta la contraseña"},
        {id, {"02", 0, "otra"}, "contraseña"},
        {{id, 1}, motive("02"), "no tiene complemento"},
    };
    for (const auto& c : cases) {
        const auto r = canceller().Cancel(c.key, c.request);
        EXPECT_EQ(r.state, CCfdiCanceller::State::Refused) << c.says;
        EXPECT_NE(r.message.find(c.says), std::string::npos) << r.message;
    }
    EXPECT_EQ(cancelRequests(), 0u) << "nothing refused here reaches the PAC";
    EXPECT_TRUE(fiscal.cfdi(id)->cancelacion.empty());
}

TEST_P(CfdiCancellerTest, TheWholeCycleEndsCancelledOnlyWhenTheSatSaysSo) {
    const std::int32_t id = stamped(10);
    auto r = canceller().Cancel(id, motive("02"));
    ASSERT_EQ(r.state, CCfdiCanceller::State::Requested) << r.message;
    EXPECT_EQ(r.code, "201");
    auto stored = fiscal.cfdi(id);
    EXPECT_EQ(stored->cancelacion, CfdiState::kCancelacionEnProceso);
    EXPECT_EQ(stored->motivo, "02");
    EXPECT_EQ(stored->estado, CfdiState::kTimbrado) << "still a stamped invoice";
    EXPECT_FALSE(cancelled(id));
    EXPECT_EQ(canceller().Cancel(id, motive("02")).state, CCfdiCanceller::State::Refused) << "already in process";

    // The receiver has not answered yet.
    pac.setAfterCancel("Vigente", "En proceso");
    auto st = canceller().CheckStatus(id, sealingNow());
    EXPECT_TRUE(st.asked) << st.message;
    EXPECT_EQ(st.cancelacion, CfdiState::kCancelacionEnProceso);
    EXPECT_FALSE(cancelled(id));
    EXPECT_EQ(canceller().CheckInProcess(sealingNow()), 0) << "asked once today already";

    // Three business days of silence: the SAT cancels it, and so does the program.
    pac.setAfterCancel("Cancelado", "Plazo vencido");
    EXPECT_EQ(canceller().CheckInProcess(sealingNow().addDays(3)), 1);
    stored = fiscal.cfdi(id);
    EXPECT_EQ(stored->cancelacion, CfdiState::kCancelado);
    EXPECT_EQ(stored->estatusSat, "Plazo vencido");
    EXPECT_TRUE(cancelled(id));
    EXPECT_TRUE(fiscal.cancellationsInProcess().empty());
    EXPECT_EQ(canceller().Cancel(id, motive("02")).state, CCfdiCanceller::State::Refused);
}

TEST_P(CfdiCancellerTest, AReplacementWithRelation04AndARejection) {
    const std::int32_t old = stamped(20);
    const std::string oldUuid = fiscal.cfdi(old)->uuid;
    const std::int32_t replacement = stamped(21, "PUE", oldUuid);
    const CXmlDocument doc(fiscal.cfdi(replacement)->xml);
    ASSERT_NE(doc.find("CfdiRelacionados"), nullptr);
    EXPECT_EQ(CXmlDocument::attribute(doc.find("CfdiRelacionados"), "TipoRelacion"), "04");
    EXPECT_EQ(CXmlDocument::attribute(doc.find("CfdiRelacionado"), "UUID"), oldUuid);

    pac.setAfterCancel("Vigente", "Solicitud rechazada");
    const auto r = canceller().Cancel(old, motive("01", replacement));
    ASSERT_EQ(r.state, CCfdiCanceller::State::Requested) << r.message;
    EXPECT_EQ(fiscal.cfdi(old)->folioSustitucion, fiscal.cfdi(replacement)->uuid);
    const auto st = canceller().CheckStatus(old, sealingNow());
    EXPECT_EQ(st.cancelacion, CfdiState::kSolicitudRechazada);
    EXPECT_NE(st.message.find("sigue vigente"), std::string::npos) << st.message;
    EXPECT_FALSE(cancelled(old));
}

TEST_P(CfdiCancellerTest, PaymentComplementsAreCancelledFirst) {
    const std::int32_t id = stamped(30, "PPD");
    Payment p;
    p.fecha = OleDate::fromDate(2026, 3, 14);
    p.importe = 100;
    ASSERT_EQ(CPaymentStore(*db).Receive(id, p).outcome, CPaymentStore::Outcome::Registered);
    ASSERT_EQ(CCfdiSealAndStamp::NoteOwedPayments(*db, id).size(), 1u);
    CCfdiSealAndStamp::Request request;
    request.password = CfdiKit::password();
    ASSERT_EQ(CCfdiSealAndStamp(*db, *client).Run({id, 1}, request, sealingNow()).state, CCfdiStamper::State::Stamped);

    auto r = canceller().Cancel(id, motive("02"));
    EXPECT_EQ(r.state, CCfdiCanceller::State::Refused);
    EXPECT_NE(r.message.find("primero cancele los complementos de pago"), std::string::npos) << r.message;
    ASSERT_EQ(canceller().Cancel({id, 1}, motive("02")).state, CCfdiCanceller::State::Requested);
    EXPECT_EQ(canceller().Cancel(id, motive("02")).state, CCfdiCanceller::State::Refused) << "not cancelled yet";
    const auto st = canceller().CheckStatus({id, 1}, sealingNow());
    EXPECT_EQ(st.cancelacion, CfdiState::kCancelado);
    EXPECT_FALSE(cancelled(id)) << "a complement cancelled leaves its invoice alone";
    EXPECT_EQ(canceller().Cancel(id, motive("02")).state, CCfdiCanceller::State::Requested);
}

TEST_P(CfdiCancellerTest, ARequestWhoseAnswerWasLostIsFollowedAndMayGoAgain) {
    const std::int32_t id = stamped(40);
    pac.setMode(StandInPac::Mode::StampThenCut);
    auto r = canceller().Cancel(id, motive("03"));
    EXPECT_EQ(r.state, CCfdiCanceller::State::Unknown) << r.message;
    EXPECT_EQ(fiscal.cfdi(id)->cancelacion, CfdiState::kCancelacionEnProceso);
    pac.setMode(StandInPac::Mode::Answer);
    r = canceller().Cancel(id, motive("03"));
    EXPECT_EQ(r.state, CCfdiCanceller::State::Requested) << r.message;
    EXPECT_EQ(r.code, "202") << "the PAC had it";

    // A refusal of the PAC is kept with the CFDI, which stays valid and may be asked again.
    const std::int32_t refused = stamped(42);
    pac.setMode(StandInPac::Mode::Refuse, "205");
    EXPECT_EQ(canceller().Cancel(refused, motive("02")).state, CCfdiCanceller::State::Refused);
    EXPECT_TRUE(fiscal.cfdi(refused)->cancelacion.empty());
    EXPECT_NE(fiscal.cfdi(refused)->estatusSat.find("El PAC rechazó la última solicitud de cancelación (No se canceló: 205"),
              std::string::npos)
        << fiscal.cfdi(refused)->estatusSat;
    pac.setMode(StandInPac::Mode::Answer);

    // Cut before it reached the PAC: the SAT knows of no request, and nothing stays in process.
    const std::int32_t other = stamped(41);
    pac.setMode(StandInPac::Mode::Cut);
    EXPECT_EQ(canceller().Cancel(other, motive("02")).state, CCfdiCanceller::State::Unknown);
    pac.setMode(StandInPac::Mode::Answer);
    const auto st = canceller().CheckStatus(other, sealingNow());
    EXPECT_TRUE(st.cancelacion.empty()) << st.message;
    EXPECT_FALSE(cancelled(other));
}

INSTANTIATE_TEST_SUITE_P(BothPacs, CfdiCancellerTest, ::testing::Values(PacProveedor::Finkok, PacProveedor::Sw),
                         [](const auto& info) { return info.param == PacProveedor::Finkok ? "Finkok" : "Sw"; });
