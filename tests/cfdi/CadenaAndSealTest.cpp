#include "CfdiKit.h"
#include "cfdi/CadenaOriginal.h"
#include "cfdi/Csd.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> samples() {
    std::vector<fs::path> files;
    for (const fs::directory_entry& e : fs::directory_iterator(CfdiKit::dir() / "samples"))
        if (e.path().extension() == ".xml")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string replaceAttribute(std::string xml, const std::string& name, const std::string& value) {
    const std::string key = " " + name + "=\"";
    const std::size_t at = xml.find(key);
    const std::size_t end = xml.find('"', at + key.size());
    return xml.replace(at + key.size(), end - at - key.size(), value);
}

} // namespace

TEST(CadenaOriginal, EqualsXsltprocOverTheSamplesThePaymentComplementIncluded) {
    int compared = 0;
    for (const fs::path& file : samples()) {
        const auto ours = CCadenaOriginal::FromXml(CfdiKit::readText(file));
        ASSERT_TRUE(ours.ok) << file << ": " << ours.error;
        EXPECT_EQ(ours.cadena, CfdiKit::xsltprocCadena(file)) << file;
        ++compared;
    }
    EXPECT_GE(compared, 3);
}

TEST(CadenaOriginal, CollapsesBlanksDecodesEntitiesAndKeepsOptionalEmptyAttributes) {
    ScratchDir dir;
    std::string xml = CfdiKit::readText(CfdiKit::dir() / "samples/ingreso-iva16-retenciones-EKU9003173C9.xml");
    xml = replaceAttribute(xml, "Descripcion", "  Servicio \t de&#10;facturación  (AÑO 2025) &amp; &lt;más&gt; &quot;x&quot; ");
    // An optional attribute that is present but empty still adds its "|".
    xml = replaceAttribute(xml, "Serie", "");
    const std::string file = dir.file("m.xml");
    ScratchDir::writeAll(file, xml);
    const auto ours = CCadenaOriginal::FromXml(xml);
    ASSERT_TRUE(ours.ok) << ours.error;
    EXPECT_EQ(ours.cadena, CfdiKit::xsltprocCadena(file));
    EXPECT_NE(ours.cadena.find("|Servicio de facturación (AÑO 2025) & <más> \"x\"|"), std::string::npos);
    EXPECT_EQ(ours.cadena.rfind("||4.0||", 0), 0u);

    EXPECT_FALSE(CCadenaOriginal::FromXml("<cfdi:Comprobante xmlns:cfdi=\"urn:other\"/>").ok);
    EXPECT_FALSE(CCadenaOriginal::FromXml("<cfdi:Comprobante").ok);
}

TEST(Csd, OpensTheTestCsdAndReproducesEverySampleSealByteForByte) {
    std::string error;
    auto csd = CCsd::Open(CfdiKit::certificate(), CfdiKit::key(), CfdiKit::password(), error);
    ASSERT_TRUE(csd) << error;
    EXPECT_EQ(csd->noCertificado(), "30001000000500003416");
    EXPECT_EQ(csd->rfc(), "EKU9003173C9");
    EXPECT_EQ(csd->validFrom(), "2023-05-18");
    EXPECT_EQ(csd->validUntil(), "2027-05-18");
    EXPECT_TRUE(csd->validAt(1'780'000'000));   // 2026
    EXPECT_FALSE(csd->validAt(1'830'000'000));  // 2027-12
    int sealed = 0;
    for (const fs::path& file : samples()) {
        const std::string xml = CfdiKit::readText(file);
        if (CfdiKit::xpath(xml, "string(/*/@NoCertificado)") != csd->noCertificado())
            continue;
        EXPECT_EQ(CfdiKit::xpath(xml, "string(/*/@Certificado)"), csd->certificadoBase64());
        const auto cadena = CCadenaOriginal::FromXml(xml);
        ASSERT_TRUE(cadena.ok);
        EXPECT_EQ(csd->seal(cadena.cadena), CfdiKit::xpath(xml, "string(/*/@Sello)")) << file;
        ++sealed;
    }
    EXPECT_GE(sealed, 3);
}

TEST(Csd, RefusesWrongPasswordForeignKeyAndFilesThatAreNotACsd) {
    std::string error;
    EXPECT_FALSE(CCsd::Open(CfdiKit::certificate(), CfdiKit::key(), "12345678b", error));
    EXPECT_EQ(error, "La contraseña de la llave privada no es correcta");

    EXPECT_FALSE(CCsd::Open(CfdiKit::key(), CfdiKit::key(), CfdiKit::password(), error));
    EXPECT_NE(error.find("no es un certificado"), std::string::npos) << error;

    EXPECT_FALSE(CCsd::Open(CfdiKit::certificate(), CfdiKit::certificate(), CfdiKit::password(), error));
    EXPECT_NE(error.find("llave privada"), std::string::npos) << error;

    EXPECT_FALSE(CCsd::Open({}, CfdiKit::key(), CfdiKit::password(), error));
    EXPECT_NE(error.find("Falta el certificado"), std::string::npos) << error;

    // The SAT's own certificate with the business's key: not the pair.
    EXPECT_FALSE(CCsd::Open(CfdiKit::readFile(CfdiKit::dir() / "csd/30001000000500003456.cer"), CfdiKit::key(),
                            CfdiKit::password(), error));
    EXPECT_FALSE(error.empty());

    Blob truncated = CfdiKit::certificate();
    truncated.resize(truncated.size() / 2);
    EXPECT_FALSE(CCsd::Open(truncated, CfdiKit::key(), CfdiKit::password(), error));
}
