#include "designer/DatumList.h"

#include "db/SpanishText.h"
#include "printing/FormatData.h"
#include "printing/RenglonField.h"

#include <sstream>

namespace DatumList {

const std::vector<Datum>& All() {
    static const std::vector<Datum> data = [] {
        std::vector<Datum> all;
        for (int i = 0; i < FormatData::kDocumentCount; ++i)
            all.push_back({FIELD_DOC, i, "Documento: " + FormatData::Caption(FIELD_DOC, i)});
        for (int i = 0; i < FormatData::kDetailCount; ++i)
            all.push_back({FIELD_DETAIL, i, "Partida: " + FormatData::Caption(FIELD_DETAIL, i)});
        return all;
    }();
    return data;
}

bool Matches(const Datum& datum, std::string_view filter) {
    const std::string label = SpanishText::fold(datum.label);
    std::istringstream words(SpanishText::fold(filter));
    for (std::string word; words >> word;)
        if (label.find(word) == std::string::npos)
            return false;
    return true;
}

} // namespace DatumList
