#include "designer/FormatBackground.h"

#include "db/Database.h"
#include "db/Transaction.h"

#include <cmath>
#include <string>
#include <variant>

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;

} // namespace

FormatBackground::Point FormatBackground::ToSheet(Point pixel, double pixelsWide, double pixelsHigh) const {
    const double x = pixel.x * width / pixelsWide;
    const double y = pixel.y * height / pixelsHigh;
    const double c = std::cos(rotation * kDegree);
    const double s = std::sin(rotation * kDegree);
    return {left + x * c - y * s, top + x * s + y * c};
}

FormatBackground::Point FormatBackground::ToPicture(Point sheet, double pixelsWide, double pixelsHigh) const {
    const double dx = sheet.x - left;
    const double dy = sheet.y - top;
    const double c = std::cos(rotation * kDegree);
    const double s = std::sin(rotation * kDegree);
    return {(dx * c + dy * s) * pixelsWide / width, (-dx * s + dy * c) * pixelsHigh / height};
}

std::optional<FormatBackground> FormatBackground::AlignedBy(Point p1, Point p2, Point s1, Point s2,
                                                            double pixelsWide, double pixelsHigh) const {
    const double pictureDistance = std::hypot(p2.x - p1.x, p2.y - p1.y);
    const double sheetDistance = std::hypot(s2.x - s1.x, s2.y - s1.y);
    if (pictureDistance < 1 || sheetDistance < 1 || pixelsWide <= 0 || pixelsHigh <= 0)
        return std::nullopt;
    const double scale = sheetDistance / pictureDistance; // 0.1 mm per pixel
    // The turn from the line between the picture's points to the line between the sheet's.
    double turn = std::atan2(s2.y - s1.y, s2.x - s1.x) - std::atan2(p2.y - p1.y, p2.x - p1.x);
    turn = std::remainder(turn, 2 * std::acos(-1.0));
    FormatBackground placed = *this;
    placed.width = pixelsWide * scale;
    placed.height = pixelsHigh * scale;
    placed.rotation = turn / kDegree;
    // The top-left corner where p1, scaled and turned about it, lands on s1.
    const double c = std::cos(turn);
    const double s = std::sin(turn);
    placed.left = s1.x - (p1.x * c - p1.y * s) * scale;
    placed.top = s1.y - (p1.x * s + p1.y * c) * scale;
    return placed;
}

void CFormatBackgroundStore::CreateTable(Database& db) {
    db.execute("CREATE TABLE IF NOT EXISTS FondosFormato (Id_Formato INTEGER PRIMARY KEY, Imagen BLOB, "
               "Izquierda REAL, Arriba REAL, Ancho REAL, Alto REAL, Opacidad INTEGER, Giro REAL)");
    addRotation(db);
}

namespace {

// Asked of the catalogue rather than tried: on a server a failed statement ends the transaction.
bool rotationColumn(Database& db) {
    Statement probe = db.prepare(db.dialect().isServer()
                                     ? "SELECT 1 FROM information_schema.columns WHERE table_schema = current_schema() "
                                       "AND lower(table_name) = 'fondosformato' AND lower(column_name) = 'giro'"
                                     : "SELECT 1 FROM pragma_table_info('FondosFormato') WHERE lower(name) = 'giro'");
    return probe.step();
}

} // namespace

bool CFormatBackgroundStore::hasRotation() { return rotationColumn(m_db); }

void CFormatBackgroundStore::addRotation(Database& db) {
    // A table made by an earlier version: its pictures lie square, as a missing turn reads.
    if (!rotationColumn(db))
        db.execute("ALTER TABLE FondosFormato ADD COLUMN Giro REAL");
}

bool CFormatBackgroundStore::tableExists() {
    return m_db.hasTable(kTable);
}

std::optional<FormatBackground> CFormatBackgroundStore::Load(std::int32_t formatId) {
    if (!tableExists())
        return std::nullopt;
    const bool turned = hasRotation();
    Statement s = m_db.prepare(std::string("SELECT Imagen, Izquierda, Arriba, Ancho, Alto, Opacidad") +
                               (turned ? ", Giro" : "") + " FROM FondosFormato WHERE Id_Formato = ?");
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
    if (turned) {
        const DbValue rotation = s.column(6);
        if (const auto* degrees = std::get_if<double>(&rotation))
            b.rotation = *degrees;
        else if (const auto* whole = std::get_if<std::int64_t>(&rotation))
            b.rotation = static_cast<double>(*whole);
    }
    return b;
}

void CFormatBackgroundStore::Store(std::int32_t formatId, const FormatBackground& b) {
    Transaction tx(m_db);
    Write(formatId, b);
    tx.commit();
}

void CFormatBackgroundStore::Write(std::int32_t formatId, const FormatBackground& b) {
    CreateTable(m_db);
    m_db.execute("INSERT INTO FondosFormato (Id_Formato, Imagen, Izquierda, Arriba, Ancho, Alto, Opacidad, Giro) "
                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (Id_Formato) DO UPDATE SET Imagen = excluded.Imagen, "
                 "Izquierda = excluded.Izquierda, Arriba = excluded.Arriba, Ancho = excluded.Ancho, "
                 "Alto = excluded.Alto, Opacidad = excluded.Opacidad, Giro = excluded.Giro",
                 {DbValue{std::int64_t{formatId}}, DbValue{b.picture}, DbValue{b.left}, DbValue{b.top},
                  DbValue{b.width}, DbValue{b.height}, DbValue{std::int64_t{b.opacity}}, DbValue{b.rotation}});
}

void CFormatBackgroundStore::Remove(std::int32_t formatId) {
    if (tableExists())
        m_db.execute("DELETE FROM FondosFormato WHERE Id_Formato = ?", {DbValue{std::int64_t{formatId}}});
}
