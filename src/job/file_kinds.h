// What a file is opened as, by its extension: both front ends open files
// by this one rule.
#pragma once

#include <string>

namespace tibrel {

enum class FileKind { Drawing, Model, Board, NcProgram, Unknown };

// In any letter case: .dxf a drawing, .stl a model, the Gerber extensions a
// board, .dnc .nc .ngc .tap .cnc and the current post's own extension an NC
// program; anything else Unknown.
FileKind FileKindOf(const std::string& path, const std::string& postExtension = "");

}  // namespace tibrel
