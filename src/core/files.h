// Whole-file writes that never leave a half-written file behind: the text
// goes to a temporary file in the target's folder, which is renamed over
// the target only when everything is on disk.
#pragma once

#include <string>
#include <string_view>

namespace tibrel {

// Replaces (or creates) path with text. An existing file keeps its
// permissions; a new one gets the usual ones (0666 less the umask). Throws
// std::runtime_error naming the file when anything fails; the target is then
// as it was.
void WriteFileAtomically(const std::string& path, std::string_view text);

// Appends text to path the same way: the old contents and the text are
// written to a temporary copy that replaces the file when complete.
void AppendFileAtomically(const std::string& path, std::string_view text);

bool FileExists(const std::string& path);

}  // namespace tibrel
