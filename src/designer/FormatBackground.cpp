#include "designer/FormatBackground.h"

#include "db/Database.h"
#include "db/Transaction.h"

#include <cmath>
#include <variant>

std::optional<FormatBackground> FormatBackground::AlignedBy(Point p1, Point p2, Point s1, Point s2,
                                                            double pixelsWide, double pixelsHigh) const {
    const double pictureDistance = std::hypot(p2.x - p1.x, p2.y - p1.y);
    const double sheetDistance = std::hypot(s2.x - s1.x, s2.y - s1.y);
    if (pictureDistance < 1 || sheetDistance < 1 || pixelsWide <= 0 || pixelsHigh <= 0)
        return std::nullopt;
    const double scale = sheetDistance / pictureDistance; // 0.1 mm per pixel
    FormatBackground placed = *this;
    placed.width = pixelsWide * scale;
    placed.height = pixelsHigh * scale;
    placed.left = s1.x - p1.x * scale;
    placed.top = s1.y - p1.y * scale;
    return placed;
}

void CFormatBackgroundStore::CreateTable(Database& db) {
    db.execute("CREATE TABLE IF NOT EXISTS FondosFormato (Id_Formato INTEGER PRIMARY KEY, Imagen BLOB, "
               "Izquierda REAL, Arriba REAL, Ancho REAL, Alto REAL, Opacidad INTEGER)");
}

bool CFormatBackgroundStore::tableExists() {
    return m_db.hasTable(kTable);
}

std::optional<FormatBackground> CFormatBackgroundStore::Load(std::int32_t formatId) {
    if (!tableExists())
        return std::nullopt;
    Statement s = m_db.prepare(
        "SELECT Imagen, Izquierda, Arriba, Ancho, Alto, Opacidad FROM FondosFormato WHERE Id_Formato = ?");
    s.bind(1, std::int64_t{formatId});
    if (!s.step())
        return std::nullopt;
    FormatBackground b;
    const DbValue picture = s.column(0);
    if (const auto* bytes = std::get_if<Blob>(&picture))
        b.picture = *bytes;
    b.left = s.real(1);
    b.top = s.real(2);
    b.width = s.real(3);
    b.height = s.real(4);
    b.opacity = static_cast<int>(s.integer(5));
    return b;
}

void CFormatBackgroundStore::Store(std::int32_t formatId, const FormatBackground& b) {
    Transaction tx(m_db);
    Write(formatId, b);
    tx.commit();
}

void CFormatBackgroundStore::Write(std::int32_t formatId, const FormatBackground& b) {
    CreateTable(m_db);
    m_db.execute("INSERT INTO FondosFormato (Id_Formato, Imagen, Izquierda, Arriba, Ancho, Alto, Opacidad) "
                 "VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT (Id_Formato) DO UPDATE SET Imagen = excluded.Imagen, "
                 "Izquierda = excluded.Izquierda, Arriba = excluded.Arriba, Ancho = excluded.Ancho, "
                 "Alto = excluded.Alto, Opacidad = excluded.Opacidad",
                 {DbValue{std::int64_t{formatId}}, DbValue{b.picture}, DbValue{b.left}, DbValue{b.top},
                  DbValue{b.width}, DbValue{b.height}, DbValue{std::int64_t{b.opacity}}});
}

void CFormatBackgroundStore::Remove(std::int32_t formatId) {
    if (tableExists())
        m_db.execute("DELETE FROM FondosFormato WHERE Id_Formato = ?", {DbValue{std::int64_t{formatId}}});
}
