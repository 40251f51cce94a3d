#pragma once

#include <cstdint>
#include <optional>
#include <vector>

class Database;

// The picture of the pre-printed form that the designer shows under a format's sheet, never
// printed. It lives in a table of its own, "FondosFormato", keyed by Id_Formato and created the
// first time a picture is stored, so the `Detalle` stream and the older tables stay as they were.
struct FormatBackground final {
    std::vector<unsigned char> picture; // the file's bytes: PNG, JPEG or BMP
    // Where the picture lies on the sheet, in 0.1 mm from the top-left corner, y downwards: its
    // top-left corner at (left, top), `width` by `height` along its own edges, turned by
    // `rotation` degrees about that corner (clockwise on the sheet, as a crooked scan lies).
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    int opacity = 50; // percent
    double rotation = 0;

    struct Point {
        double x = 0;
        double y = 0;
    };
    // Picture pixel ↔ sheet point (0.1 mm, y downwards) for a picture of that many pixels.
    Point ToSheet(Point pixel, double pixelsWide, double pixelsHigh) const;
    Point ToPicture(Point sheet, double pixelsWide, double pixelsHigh) const;

    // Placed so that the picture points p1 and p2 (pixels) fall on the sheet points s1 and s2
    // (0.1 mm, y downwards): one scale for both directions, and the turn that the two points
    // show. Nothing when the points coincide.
    std::optional<FormatBackground> AlignedBy(Point p1, Point p2, Point s1, Point s2, double pixelsWide,
                                              double pixelsHigh) const;

    friend bool operator==(const FormatBackground&, const FormatBackground&) = default;
};

class CFormatBackgroundStore final {
public:
    static constexpr const char* kTable = "FondosFormato";
    // Larger pictures are refused: a scan at 300 dpi is a few megabytes.
    static constexpr std::size_t kMaxPictureBytes = 32u << 20;

    explicit CFormatBackgroundStore(Database& db) : m_db(db) {}

    // Nothing when the format has none or the table does not exist yet.
    std::optional<FormatBackground> Load(std::int32_t formatId);
    // Creates the table when missing and replaces the format's picture.
    void Store(std::int32_t formatId, const FormatBackground& background);
    // The same inside the caller's transaction.
    void Write(std::int32_t formatId, const FormatBackground& background);
    void Remove(std::int32_t formatId);
    // Creates the table when missing, in the caller's transaction.
    static void CreateTable(Database& db);

private:
    bool tableExists();
    // The turn came after the table: a table made before has no column for it.
    bool hasRotation();
    static void addRotation(Database& db);
    Database& m_db;
};
