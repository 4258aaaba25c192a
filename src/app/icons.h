// The tool bar's pictures: the desktop theme's icon where one names the
// command, else a small drawing made for this program.
#pragma once

#include <QIcon>
#include <QString>

namespace tibrel {

// The icon of a tool-bar command by its menu caption (without '&'); a null
// icon for a caption that has no picture.
QIcon CommandIcon(const QString& caption);

}  // namespace tibrel
