// Paints a view's display list with Qt: on the window, or on an image for
// pictures and checks.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>

#include "view/view.h"

namespace tibrel {

// 0x00BBGGRR as a Qt colour.
inline QColor ColourOf(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

void PaintDisplay(QPainter& painter, const Display& display, int width, int height);

// The job as the view would show it, on an image of the given size.
QImage RenderJob(const Job& job, const ViewState& view, const DisplaySettings& settings);

}  // namespace tibrel
