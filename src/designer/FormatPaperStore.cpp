#include "designer/FormatPaperStore.h"

#include "db/Database.h"
#include "db/DbError.h"

#include <algorithm>
#include <optional>

namespace {
// Beyond these a stored size is damage, not paper (0.1 mm).
constexpr std::int32_t kMinSide = 500;
constexpr std::int32_t kMaxWidth = 10'000;
constexpr std::int32_t kMaxHeight = 20'000;
} // namespace

SheetSize CFormatPaperStore::Load(std::int32_t formatId) {
    // No such table yet: every format is on letter paper. Asked beforehand rather than tried: a
    // failed statement ends a server's transaction. Anything else (a busy or damaged file) is
    // reported, not taken for letter paper that a save would then write back.
    if (!m_db.hasTable("PapelFormato"))
        return SheetSize::Standard().front();
    Statement s = m_db.prepare("SELECT Nombre, Ancho, Alto FROM PapelFormato WHERE Id_Formato = ?");
    s.bind(1, std::int64_t{formatId});
    if (!s.step())
        return SheetSize::Standard().front();
    SheetSize sheet;
    sheet.name = s.text(0);
    sheet.width = static_cast<std::int32_t>(std::clamp<std::int64_t>(s.integer(1), kMinSide, kMaxWidth));
    sheet.height = static_cast<std::int32_t>(std::clamp<std::int64_t>(s.integer(2), kMinSide, kMaxHeight));
    // A standard paper is known by its name; its size is ours, not what a row says.
    for (const SheetSize& standard : SheetSize::Standard())
        if (standard.name == sheet.name)
            return standard;
    sheet.name.clear();
    return sheet;
}

void CFormatPaperStore::CreateTable(Database& db) {
    db.execute("CREATE TABLE IF NOT EXISTS PapelFormato (Id_Formato INTEGER PRIMARY KEY, Nombre TEXT, "
               "Ancho INTEGER, Alto INTEGER)");
}

void CFormatPaperStore::Write(std::int32_t formatId, const SheetSize& sheet) {
    CreateTable(m_db);
    const std::vector<DbValue> values{DbValue{sheet.name}, DbValue{std::int64_t{sheet.width}},
                                      DbValue{std::int64_t{sheet.height}}, DbValue{std::int64_t{formatId}}};
    if (m_db.execute("UPDATE PapelFormato SET Nombre = ?, Ancho = ?, Alto = ? WHERE Id_Formato = ?", values) == 0)
        m_db.execute("INSERT INTO PapelFormato (Nombre, Ancho, Alto, Id_Formato) VALUES (?, ?, ?, ?)", values);
}

void CFormatPaperStore::Remove(std::int32_t formatId) {
    CreateTable(m_db);
    m_db.execute("DELETE FROM PapelFormato WHERE Id_Formato = ?", {DbValue{std::int64_t{formatId}}});
}
