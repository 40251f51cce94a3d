// Stamping a document's sealed CFDI through the stand-in PAC, with both protocols: stored as
// "Timbrado" with its folio fiscal and the file replaced; an answer lost on the way back never
// makes a second CFDI; refusals store nothing as stamped; only what no PAC holds is sealed again.
#include "CfdiFixture.h"
#include "StandInPac.h"
#include "cfdi/CfdiIssuer.h"
#include "cfdi/CfdiSealAndStamp.h"
#include "cfdi/CfdiStamper.h"
#include "cfdi/PacClient.h"
#include "cfdi/StampedCfdi.h"
#include "db/Statement.h"
#include "invoice/DocumentStore.h"
#include "invoice/DocumentTotals.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

const char* const kUser = "timbrado@negocio.mx";
const char* const kPassword = "Otra-Clave-PAC";

class CfdiStamperTest : public ::testing::TestWithParam<PacProveedor>, public CfdiFixture {
protected:
    StandInPac pac{kUser, kPassword};
    std::unique_ptr<CPacClient> client = CPacClient::Create(
        PacConfig{GetParam(), PacAmbiente::Pruebas, pac.url(), kUser, kPassword}, {3000, 3000});

    // A document sealed and written to its file, as the sealing dialog leaves it.
    std::int32_t sealedDocument(std::int32_t folio, fs::path& file) {
        const std::int32_t a = addArticle("A" + std::to_string(folio), "Uno", "01010101", iva16);
        const std::int32_t id = save(cliente, folio, {line(a, 100, 2)}, "T");
        const auto s = CCfdiIssuer(*db).Seal(id, {"01", "PUE", "G01", "", ""}, CfdiKit::password(), sealingNow());
        EXPECT_TRUE(s.ok());
        file = CCfdiIssuer::PathIn(dir.path() / "xml", s);
        std::string error;
        EXPECT_TRUE(CCfdiIssuer(*db).Save(id, s, file, error)) << error;
        return id;
    }
    std::int64_t stampRequests() {
        std::int64_t n = 0;
        for (const auto& r : pac.requests())
            n += r.path != "/v2/security/authenticate";
        return n;
    }
};

} // namespace

TEST_P(CfdiStamperTest, AStampIsCheckedStoredAndWrittenAndAsksThePacNoMore) {
    fs::path file;
    const std::int32_t id = sealedDocument(1, file);
    const std::string sealed = fiscal.cfdi(id)->xml;

    const CCfdiStamper::Result r = CCfdiStamper(*db, *client).Stamp(id, file);
    ASSERT_EQ(r.state, CCfdiStamper::State::Stamped) << r.message;
    EXPECT_TRUE(CStampedCfdi::IsUuid(r.uuid));
    EXPECT_EQ(pac.lastReceivedCfdi(), sealed) << "the PAC must get the stored bytes as they are";
    const auto stored = fiscal.cfdi(id);
    EXPECT_EQ(stored->estado, "Timbrado");
    EXPECT_EQ(stored->uuid, r.uuid);
    EXPECT_TRUE(stored->ultimoError.empty());
    EXPECT_TRUE(CCfdiStamper::SameDocument(sealed, stored->xml));
    EXPECT_EQ(ScratchDir::readAll(file.string()), stored->xml);
    std::string error;
    const auto tfd = CStampedCfdi::Read(stored->xml, CStampedCfdi::SelloOf(sealed), error);
    ASSERT_TRUE(tfd) << error;
    EXPECT_EQ(tfd->uuid, r.uuid);
    Statement when = db->prepare("SELECT Timbrado FROM Cfdis WHERE Id_Documento = ?");
    when.bind(1, std::int64_t{id});
    ASSERT_TRUE(when.step());
    EXPECT_GT(when.real(0), 40000.0);

    // Stamped: nothing more goes to the PAC, and it is not sealed again.
    const std::int64_t asked = stampRequests();
    const CCfdiStamper::Result again = CCfdiStamper(*db, *client).Stamp(id, file);
    EXPECT_EQ(again.state, CCfdiStamper::State::Stamped);
    EXPECT_EQ(again.uuid, r.uuid);
    EXPECT_EQ(stampRequests(), asked);
    const auto resealed = CCfdiIssuer(*db).Seal(id, {}, CfdiKit::password(), sealingNow());
    EXPECT_FALSE(resealed.ok());
    EXPECT_NE(resealed.errors.front().find("ya está timbrado"), std::string::npos);

    // A document never sealed has nothing to stamp.
    const std::int32_t bare = save(cliente, 2, {line(addArticle("B1", "Dos", "01010101", iva16), 5, 1)}, "T");
    EXPECT_EQ(CCfdiStamper(*db, *client).Stamp(bare).state, CCfdiStamper::State::NotSealed);
}

TEST_P(CfdiStamperTest, AnAnswerLostAfterTheStampGivesOneUuidOnly) {
    fs::path file;
    const std::int32_t id = sealedDocument(3, file);
    const std::string sealed = fiscal.cfdi(id)->xml;

    // The PAC stamps and the connection goes before the answer arrives.
    pac.setMode(StandInPac::Mode::StampThenCut);
    CCfdiStamper::Result r = CCfdiStamper(*db, *client).Stamp(id, file);
    EXPECT_EQ(r.state, CCfdiStamper::State::Pending) << r.message;
    auto stored = fiscal.cfdi(id);
    EXPECT_EQ(stored->estado, "Sellado, timbrado pendiente");
    EXPECT_EQ(stored->xml, sealed);
    EXPECT_FALSE(stored->ultimoError.empty());
    EXPECT_EQ(ScratchDir::readAll(file.string()), sealed);
    EXPECT_EQ(fiscal.pendingStamps(), std::vector<std::int32_t>{id});
    // Sealing again would make a second CFDI for the sale: refused while pending.
    EXPECT_FALSE(CCfdiIssuer(*db).Seal(id, {}, CfdiKit::password(), sealingNow()).ok());

    // Garbage keeps it pending, and so does a PAC that cannot be reached now: the earlier try may
    // have been stamped.
    pac.setMode(StandInPac::Mode::Garbage);
    EXPECT_EQ(CCfdiStamper(*db, *client).Stamp(id, file).state, CCfdiStamper::State::Pending);
    auto nobody = CPacClient::Create(PacConfig{GetParam(), PacAmbiente::Pruebas, "http://127.0.0.1:9", kUser, kPassword},
                                     {2000, 2000});
    EXPECT_EQ(CCfdiStamper(*db, *nobody).Stamp(id, file).state, CCfdiStamper::State::Pending);
    EXPECT_EQ(fiscal.cfdi(id)->estado, "Sellado, timbrado pendiente");
    // Nor does an account the PAC turns away (a password changed meanwhile): it never looked.
    auto stranger = CPacClient::Create(PacConfig{GetParam(), PacAmbiente::Pruebas, pac.url(), kUser, "Otra-Clave"},
                                       {3000, 3000});
    pac.setMode(StandInPac::Mode::Answer);
    EXPECT_EQ(CCfdiStamper(*db, *stranger).Stamp(id, file).state, CCfdiStamper::State::Pending);
    EXPECT_EQ(fiscal.cfdi(id)->estado, "Sellado, timbrado pendiente");

    // The retry sends the same bytes and takes the earlier stamp.
    pac.setMode(StandInPac::Mode::Answer);
    r = CCfdiStamper(*db, *client).Stamp(id, file);
    ASSERT_EQ(r.state, CCfdiStamper::State::Stamped) << r.message;
    EXPECT_EQ(pac.lastReceivedCfdi(), sealed);
    EXPECT_EQ(pac.stampedCount(), 1u) << "one CFDI for one sale";
    stored = fiscal.cfdi(id);
    EXPECT_EQ(stored->estado, "Timbrado");
    EXPECT_EQ(stored->uuid, r.uuid);
    EXPECT_TRUE(fiscal.pendingStamps().empty());
    EXPECT_EQ(ScratchDir::readAll(file.string()), stored->xml);
}

TEST_P(CfdiStamperTest, RefusalsStoreNothingAsStampedAndSayWhatToDo) {
    fs::path file;
    const std::int32_t id = sealedDocument(5, file);
    const std::string sealed = fiscal.cfdi(id)->xml;
    for (const char* code : {"302", "401", "705"}) {
        pac.setMode(StandInPac::Mode::Refuse, code);
        const CCfdiStamper::Result r = CCfdiStamper(*db, *client).Stamp(id, file);
        EXPECT_EQ(r.state, CCfdiStamper::State::Refused) << code << ": " << r.message;
        EXPECT_NE(r.message.find(std::string(code) + " — "), std::string::npos) << r.message;
        const auto stored = fiscal.cfdi(id);
        EXPECT_EQ(stored->estado, "Sellado");
        EXPECT_EQ(stored->xml, sealed);
        EXPECT_EQ(stored->ultimoError, r.message);
        EXPECT_EQ(ScratchDir::readAll(file.string()), sealed);
    }
    EXPECT_TRUE(fiscal.pendingStamps().empty());
    // Refused, the PAC holds nothing: it may be sealed again (with a new date, later).
    EXPECT_TRUE(CCfdiIssuer(*db).Seal(id, {}, CfdiKit::password(), sealingNow()).ok());

    // Nothing listens: nothing was sent, nothing holds it.
    auto nobody = CPacClient::Create(PacConfig{GetParam(), PacAmbiente::Pruebas, "http://127.0.0.1:9", kUser, kPassword},
                                     {2000, 2000});
    EXPECT_EQ(CCfdiStamper(*db, *nobody).Stamp(id, file).state, CCfdiStamper::State::Refused);
}

TEST_P(CfdiStamperTest, SealsAgainOnlyWhatNoPacHoldsAndOnlyNearTheSatDeadline) {
    fs::path file;
    const std::int32_t id = sealedDocument(7, file);
    const std::string first = fiscal.cfdi(id)->xml;
    CCfdiSealAndStamp::Request request;
    request.folder = dir.path() / "xml";

    // Refused: sealed, and no PAC holds it. A day later it goes as it is…
    pac.setMode(StandInPac::Mode::Refuse, "301");
    CCfdiSealAndStamp::Result r = CCfdiSealAndStamp(*db, *client).Run(id, request, sealingNow().addDays(1));
    EXPECT_EQ(r.state, CCfdiStamper::State::Refused) << r.message;
    EXPECT_FALSE(r.sealedNow);
    EXPECT_TRUE(fiscal.cfdi(id)->xml == first);
    EXPECT_EQ(fiscal.toStamp(), std::vector<std::int32_t>{id}) << "a refused stamp is still to do";
    // …but close to 72 hours it must be sealed again, and without the key's password nothing goes.
    const OleDate late = OleDate{sealingNow().value + 71.0 / 24};
    const std::size_t asked = pac.requests().size();
    r = CCfdiSealAndStamp(*db, *client).Run(id, request, late);
    EXPECT_EQ(r.state, CCfdiStamper::State::NotSealed);
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_NE(r.errors[0].find("casi 72 horas"), std::string::npos) << r.errors[0];
    EXPECT_EQ(pac.requests().size(), asked);
    pac.setMode(StandInPac::Mode::Answer);
    request.password = CfdiKit::password();
    r = CCfdiSealAndStamp(*db, *client).Run(id, request, late);
    ASSERT_EQ(r.state, CCfdiStamper::State::Stamped) << r.message;
    EXPECT_TRUE(r.sealedNow);
    EXPECT_EQ(CfdiKit::xpath(pac.lastReceivedCfdi(), "string(/*/@Fecha)"), "2026-03-17T11:00:00");
    EXPECT_EQ(CfdiKit::xpath(pac.lastReceivedCfdi(), "string(/*/@FormaPago)"), "01") << "the stored data is kept";
    EXPECT_EQ(r.file, dir.path() / "xml/2026/03/EKU9003173C9_T_7.xml");
    EXPECT_EQ(ScratchDir::readAll(r.file.string()), fiscal.cfdi(id)->xml);
    EXPECT_TRUE(fiscal.toStamp().empty());

    // Pending: whatever the hour, the same bytes go again and are never sealed anew.
    const std::int32_t other = sealedDocument(8, file);
    const std::string sealed = fiscal.cfdi(other)->xml;
    pac.setMode(StandInPac::Mode::Hang);
    auto impatient = CPacClient::Create(PacConfig{GetParam(), PacAmbiente::Pruebas, pac.url(), kUser, kPassword},
                                        {1000, 500});
    r = CCfdiSealAndStamp(*db, *impatient).Run(other, request, sealingNow());
    EXPECT_EQ(r.state, CCfdiStamper::State::Pending) << r.message;
    pac.setMode(StandInPac::Mode::Answer);
    request.sealAgain = true;
    request.fiscal = {"03", "PUE", "G03", "", ""};
    r = CCfdiSealAndStamp(*db, *client).Run(other, request, sealingNow().addDays(5));
    ASSERT_EQ(r.state, CCfdiStamper::State::Stamped) << r.message;
    EXPECT_FALSE(r.sealedNow);
    EXPECT_EQ(pac.lastReceivedCfdi(), sealed);

    // Sealed and never sent, asked to seal again: the operator's new data goes, dated now.
    const std::int32_t third = sealedDocument(9, file);
    r = CCfdiSealAndStamp(*db, *client).Run(third, request, OleDate{sealingNow().value + 1.0 / 24});
    ASSERT_EQ(r.state, CCfdiStamper::State::Stamped) << r.message;
    EXPECT_TRUE(r.sealedNow);
    EXPECT_EQ(CfdiKit::xpath(pac.lastReceivedCfdi(), "string(/*/@FormaPago)"), "03");
    EXPECT_EQ(CfdiKit::xpath(pac.lastReceivedCfdi(), "string(/*/@Fecha)"), "2026-03-14T13:00:00");
}

TEST_P(CfdiStamperTest, AStampedOrPendingInvoiceIsNeverDeletedReplacedOrPurged) {
    fs::path file;
    const std::int32_t stamped = sealedDocument(11, file);
    ASSERT_EQ(CCfdiStamper(*db, *client).Stamp(stamped, file).state, CCfdiStamper::State::Stamped);
    const std::int32_t pending = sealedDocument(12, file);
    pac.setMode(StandInPac::Mode::StampThenCut);
    ASSERT_EQ(CCfdiStamper(*db, *client).Stamp(pending, file).state, CCfdiStamper::State::Pending);
    const std::int32_t sealedOnly = sealedDocument(13, file);
    CDocumentStore store(*db);

    EXPECT_NE(store.StampedHold(stamped).find("es una factura electrónica timbrada (folio fiscal " + fiscal.cfdi(stamped)->uuid),
              std::string::npos) << store.StampedHold(stamped);
    EXPECT_NE(store.StampedHold(pending).find("tiene un timbrado pendiente"), std::string::npos);
    EXPECT_EQ(store.StampedHold(sealedOnly), "");
    EXPECT_EQ(store.Delete("T", 11), CDocumentStore::DeleteResult::Stamped);
    EXPECT_EQ(store.Delete("T", 12), CDocumentStore::DeleteResult::Stamped);
    EXPECT_EQ(fiscal.cfdi(stamped)->estado, "Timbrado");

    // Replacing it, even as the operator agreed to, writes nothing.
    DocumentHeader header;
    std::vector<CPartida> lines;
    ASSERT_EQ(store.Load(stamped, header, lines), CDocumentStore::LoadResult::Loaded);
    header.nombre = "Otro";
    const auto seen = store.FindStored("T", 11);
    const SaveResult r = store.Save(header, lines, DocumentTotals::Of(lines), {}, seen);
    EXPECT_EQ(r.outcome, SaveResult::Outcome::Stamped);
    EXPECT_EQ(store.Find("T", 11), std::optional<std::int32_t>(stamped));

    // A purge by date keeps them and says how many; the sealed one goes with the rest.
    int kept = -1;
    EXPECT_EQ(store.DeleteBefore(sealingNow().addDays(1), &kept), 1);
    EXPECT_EQ(kept, 2);
    EXPECT_TRUE(fiscal.cfdi(stamped));
    EXPECT_TRUE(fiscal.cfdi(pending));
    EXPECT_FALSE(store.Find("T", 13));
    EXPECT_EQ(store.Delete("T", 13), CDocumentStore::DeleteResult::NotFound);
}

TEST(CfdiSealAndStamp, TheDeadlineAndTheFileComeFromTheCfdiItself) {
    const OleDate sealed = OleDate::fromDate(2026, 12, 1, 10, 0, 0);
    EXPECT_FALSE(CCfdiSealAndStamp::NearDeadline("2026-12-01T10:00:00", OleDate{sealed.value + 69.9 / 24}));
    EXPECT_TRUE(CCfdiSealAndStamp::NearDeadline("2026-12-01T10:00:00", OleDate{sealed.value + 70.0 / 24}));
    EXPECT_TRUE(CCfdiSealAndStamp::NearDeadline("", sealed));
    EXPECT_TRUE(CCfdiSealAndStamp::NearDeadline("2026-13-01T10:00:00", sealed));
    EXPECT_EQ(CCfdiSealAndStamp::PathOf("/x", "<cfdi:Comprobante xmlns:cfdi=\"http://www.sat.gob.mx/cfd/4\" "
                                              "Serie=\"A\" Folio=\"12\" Fecha=\"2026-01-31T23:59:59\">"
                                              "<cfdi:Emisor Rfc=\"EKU9003173C9\"/></cfdi:Comprobante>"),
              fs::path("/x/2026/01/EKU9003173C9_A_12.xml"));
    EXPECT_EQ(CCfdiSealAndStamp::PathOf("/x", "no xml"), fs::path());
}

TEST(CfdiStamperDocument, TheStampedDocumentMustBeWhatWasSent) {
    const std::string sealed =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cfdi:Comprobante Sello=\"abc\" Total=\"116.00\">"
        "<cfdi:Conceptos/></cfdi:Comprobante>";
    const std::string tfd = "<tfd:TimbreFiscalDigital xmlns:tfd=\"x\" UUID=\"u\" SelloCFD=\"abc\"/>";
    const std::string stamped =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cfdi:Comprobante Sello=\"abc\" Total=\"116.00\">"
        "<cfdi:Conceptos/><cfdi:Complemento>" + tfd + "</cfdi:Complemento></cfdi:Comprobante>";
    EXPECT_TRUE(CCfdiStamper::SameDocument(sealed, stamped));
    std::string changed = stamped;
    changed.replace(changed.find("116.00"), 6, "160.00");
    EXPECT_FALSE(CCfdiStamper::SameDocument(sealed, changed));
    std::string twice = stamped;
    twice.insert(twice.find("</cfdi:Complemento>"), tfd);
    EXPECT_FALSE(CCfdiStamper::SameDocument(sealed, twice));
    EXPECT_FALSE(CCfdiStamper::SameDocument(sealed, sealed));
    // An open-and-close TFD element is taken as well.
    std::string open = stamped;
    open.replace(open.find(tfd), tfd.size(), "<tfd:TimbreFiscalDigital UUID=\"u\"></tfd:TimbreFiscalDigital>");
    EXPECT_TRUE(CCfdiStamper::SameDocument(sealed, open));

    // A PAC that writes the document out its own way (quotes, the TFD's namespace declared on the
    // root, an empty element closed long-hand): the same content is the same document...
    const std::string ours = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cfdi:Comprobante "
                             "xmlns:cfdi=\"http://www.sat.gob.mx/cfd/4\" Sello=\"abc\" Total=\"116.00\">"
                             "<cfdi:Conceptos/></cfdi:Comprobante>";
    const std::string rewritten =
        "<?xml version='1.0' encoding='UTF-8'?><cfdi:Comprobante xmlns:cfdi='http://www.sat.gob.mx/cfd/4' "
        "xmlns:tfd='http://www.sat.gob.mx/TimbreFiscalDigital' Sello='abc' Total='116.00'>"
        "<cfdi:Conceptos></cfdi:Conceptos><cfdi:Complemento><tfd:TimbreFiscalDigital UUID='u' SelloCFD='abc'/>"
        "</cfdi:Complemento></cfdi:Comprobante>";
    EXPECT_TRUE(CCfdiStamper::SameDocument(ours, rewritten));
    // ...but not with another total, a second TFD, or no TFD at all.
    std::string otherTotal = rewritten;
    otherTotal.replace(otherTotal.find("116.00"), 6, "161.00");
    EXPECT_FALSE(CCfdiStamper::SameDocument(ours, otherTotal));
    std::string two = rewritten;
    two.insert(two.find("</cfdi:Complemento>"), "<tfd:TimbreFiscalDigital UUID='v' SelloCFD='abc'/>");
    EXPECT_FALSE(CCfdiStamper::SameDocument(ours, two));
    EXPECT_FALSE(CCfdiStamper::SameDocument(ours, ours));
}

INSTANTIATE_TEST_SUITE_P(BothPacs, CfdiStamperTest, ::testing::Values(PacProveedor::Finkok, PacProveedor::Sw),
                         [](const auto& info) { return info.param == PacProveedor::Finkok ? "Finkok" : "Sw"; });
