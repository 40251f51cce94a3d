#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The data a field of a page format may print, as the designer offers them: the document's, then
// the detail line's, each with the label the operator reads. Built from the printing's datum
// tables, so a datum added there is offered here without anything else to change.
namespace DatumList {

struct Datum {
    std::int32_t kind = 0; // FIELD_DOC or FIELD_DETAIL
    std::int32_t index = 0;
    std::string label; // "Documento: Nombre Cliente", "Partida: Clave del artículo"
};

const std::vector<Datum>& All();
// True when every word of `filter` appears in the label, case and accents ignored ("dir cli"
// finds "Documento: Dirección del cliente"); an empty filter matches everything.
bool Matches(const Datum& datum, std::string_view filter);

} // namespace DatumList
