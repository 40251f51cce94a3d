// Stamping a document's sealed CFDI through the stand-in PAC, with both protocols: stored as
// "Timbrado" with its folio fiscal and the file replaced; an answer lost on the way back never
// makes a second CFDI; refusals store nothing as stamped.
#include "CfdiFixture.h"
#include "StandInPac.h"
#include "cfdi/CfdiIssuer.h"
#include "cfdi/CfdiStamper.h"
#include "cfdi/PacClient.h"
#include "cfdi/StampedCfdi.h"
#include "db/Statement.h"

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
        const auto s = CCfdiIssuer(*db).Seal(id, {"01", "PUE", "G01", ""}, CfdiKit::password());
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
    const auto resealed = CCfdiIssuer(*db).Seal(id, {}, CfdiKit::password());
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
    EXPECT_FALSE(CCfdiIssuer(*db).Seal(id, {}, CfdiKit::password()).ok());

    // Garbage keeps it pending, and so does a PAC that cannot be reached now: the earlier try may
    // have been stamped.
    pac.setMode(StandInPac::Mode::Garbage);
    EXPECT_EQ(CCfdiStamper(*db, *client).Stamp(id, file).state, CCfdiStamper::State::Pending);
    auto nobody = CPacClient::Create(PacConfig{GetParam(), PacAmbiente::Pruebas, "http://127.0.0.1:9", kUser, kPassword},
                                     {2000, 2000});
    EXPECT_EQ(CCfdiStamper(*db, *nobody).Stamp(id, file).state, CCfdiStamper::State::Pending);
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
    EXPECT_TRUE(CCfdiIssuer(*db).Seal(id, {}, CfdiKit::password()).ok());

    // Nothing listens: nothing was sent, nothing holds it.
    auto nobody = CPacClient::Create(PacConfig{GetParam(), PacAmbiente::Pruebas, "http://127.0.0.1:9", kUser, kPassword},
                                     {2000, 2000});
    EXPECT_EQ(CCfdiStamper(*db, *nobody).Stamp(id, file).state, CCfdiStamper::State::Refused);
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
}

INSTANTIATE_TEST_SUITE_P(BothPacs, CfdiStamperTest, ::testing::Values(PacProveedor::Finkok, PacProveedor::Sw),
                         [](const auto& info) { return info.param == PacProveedor::Finkok ? "Finkok" : "Sw"; });
