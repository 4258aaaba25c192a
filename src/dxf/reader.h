// Reads an ASCII DXF drawing (the unit from the HEADER, the BLOCKS section,
// skimmed, and the ENTITIES section) into a DXF_Object. Failures raise DXF_read_exception with the text
// the user sees; most carry the line number where they happened.
#pragma once

#include <string>
#include <string_view>

#include "core/progress.h"
#include "dxf/entities.h"

namespace tibrel {

// The most vertices one polyline may have: far above any real drawing, and
// a clear message instead of a machine that runs out of memory on a
// damaged or hostile file.
inline constexpr size_t MaxPolylineVertices = 10'000'000;

// Reads the drawing held in data. The caption "Reading DXF file..." goes to
// the progress interface, which advances once per 4096 bytes. When the
// control's cancel flag is seen set, reading stops and an empty drawing is
// returned; the caller checks the flag and reports the cancellation. A
// UTF-8 byte-order mark before the first group is skipped. A polyline with
// more than maxVertices vertices fails with "Polyline contained more than
// <maxVertices> vertices". Throws DXF_read_exception.
DXF_Object ReadDxf(std::string_view data, const std::string& name, const PassControl& control = {},
                   size_t maxVertices = MaxPolylineVertices);

// Reads a whole file into memory. Throws DXF_read_exception when it cannot be
// opened or read.
std::string ReadFileBytes(const std::string& path);

// The message of a DXF_read_exception raised at a line.
std::string DxfErrorAtLine(const std::string& text, long line);

}  // namespace tibrel
