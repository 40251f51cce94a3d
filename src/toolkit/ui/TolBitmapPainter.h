#pragma once

#include <QImage>
#include <QRect>
#include <QString>

class CTolBitmap;
class QPainter;

// The Qt side of CTolBitmap: loading a file with the wait cursor and the decoder's message,
// loading the program's own bitmaps from the Qt resources, and drawing onto a QPainter.
class CTolBitmapPainter final {
public:
    CTolBitmapPainter() = delete;

    // As CTolBitmap::loadFile, with the wait cursor shown meanwhile; a decoder's message is shown
    // through TolMessage. 1 when loaded, 0 otherwise.
    static int loadFile(CTolBitmap& bitmap, const QString& path);

    // The program's bitmap number `id` (143 the default logo, 129 .. 160 the main form's buttons,
    // 189 the caption picture): resourcePath(id), else ":/bitmaps/<id>.png". 1 when loaded; 0
    // otherwise, the holder then empty. The resources must have been initialised
    // (InitQuintalevaResources).
    static int loadResource(CTolBitmap& bitmap, int id);
    // Any picture Qt reads (a resource path such as ":/images/logo.bmp", or a file).
    static int loadResource(CTolBitmap& bitmap, const QString& path);
    // ":/images/<name>.bmp" for the numbers that have a named picture, else ":/bitmaps/<id>.bmp".
    static QString resourcePath(int id);

    // What the operator reads when the picture file `path` could not be loaded into `failed`: the
    // file named, what may be wrong, and the reader's own words when it had any.
    static QString unreadableMessage(const QString& path, const CTolBitmap& failed);

    // Draws the current frame into the rectangle (left, top)-(right, bottom), right and bottom
    // exclusive, in the painter's coordinates, with CTolBitmap::DrawFlags. The picture is not
    // clipped to the rectangle. Nothing is drawn unless a picture is loaded.
    static void draw(QPainter& painter, CTolBitmap& bitmap, int left, int top, int right, int bottom, int flags);
    static void draw(QPainter& painter, CTolBitmap& bitmap, const QRect& rect, int flags);
    // The picture's own size as the rectangle, its top-left corner at (x, y).
    static void draw(QPainter& painter, CTolBitmap& bitmap, int x, int y, int flags);

    // Where draw() puts the picture for this rectangle and these flags (its size is the scaled
    // size with ScaleToFit); an empty rectangle when nothing would be drawn.
    static QRect placement(const CTolBitmap& bitmap, const QRect& rect, int flags);

    // A copy of one frame (the current one when `frame` is out of range), without the transparent
    // colour when `transparent` is set. Null when nothing is loaded. For icons and picture buttons.
    static QImage frameImage(CTolBitmap& bitmap, int frame = -1, bool transparent = false);
};
