// The tool bar's pictures: the SVG files of the resource folder's icons/,
// else (a file missing or damaged) the desktop theme's icon where one names
// the command, else a small drawing made in code.
#pragma once

#include <QIcon>
#include <QString>

namespace tibrel {

// The icon of a tool-bar command by its menu caption (without '&'); a null
// icon for a caption that has no picture.
QIcon CommandIcon(const QString& caption);

// The SVG file of a command: its caption in lower case with every run of
// other characters than letters and digits as one '_' ("Open DXF, STL" is
// icons/open_dxf_stl.svg of the resource folder).
QString CommandIconFile(const QString& caption);

}  // namespace tibrel
