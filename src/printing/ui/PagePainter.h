#pragma once

#include <QtGlobal>

class QPainter;
struct PrintPage;

// Draws one sheet of the page model on any surface: a printer, a PDF file or a preview. The
// painter's coordinates must have their origin at the sheet's top-left corner, in device pixels
// of `dotsPerInch` (a QPrinter with full-page painting); the sheet's 0.1 mm, y-upwards units are
// set up on top of the painter's transform and undone afterwards.
void PaintPage(QPainter& painter, const PrintPage& page, qreal dotsPerInch);
