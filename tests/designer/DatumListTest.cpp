// The designer's list of data: every datum of the printing's tables once, found by any words of
// its label whatever their case and accents.
#include "designer/DatumList.h"
#include "printing/FormatData.h"

#include <gtest/gtest.h>

#include <set>

namespace {

std::vector<std::string> found(const std::string& filter) {
    std::vector<std::string> labels;
    for (const DatumList::Datum& d : DatumList::All())
        if (DatumList::Matches(d, filter))
            labels.push_back(d.label);
    return labels;
}

} // namespace

TEST(DatumList, EveryDatumOnceAndFoundByWordsOfItsLabel) {
    const auto& all = DatumList::All();
    ASSERT_EQ(all.size(), std::size_t{FormatData::kDocumentCount + FormatData::kDetailCount});
    std::set<std::pair<std::int32_t, std::int32_t>> keys;
    for (const DatumList::Datum& d : all) {
        EXPECT_TRUE(keys.insert({d.kind, d.index}).second);
        EXPECT_EQ(d.label, (d.kind == FIELD_DOC ? "Documento: " : "Partida: ") + FormatData::Caption(d.kind, d.index));
    }
    EXPECT_EQ(found("").size(), all.size());
    EXPECT_EQ(found("NOMBRE cliente"), std::vector<std::string>{"Documento: Nombre Cliente"});
    // Accents and case do not matter, and every word must be there.
    const auto article = found("partida articulo clave");
    ASSERT_EQ(article.size(), 1u);
    EXPECT_EQ(article.front(), "Partida: " + FormatData::Caption(FIELD_DETAIL, 1));
    EXPECT_TRUE(found("cliente zzz").empty());
}
