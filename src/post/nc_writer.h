// The NC program: the job's toolpaths spelled through a post processor.
//
// The writer knows no G-code itself; which words make a line, their order,
// formats and modality all come from the post. It fixes which script serves
// which move, the variable values, the order of the lines and their numbers.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "post/post.h"
#include "toolpath/model.h"
#include "toolpath/model3d.h"

namespace tibrel {

// The comment lines at the top of a program, each wrapped in the post's
// comment characters: when and from which drawing it was made, the post,
// the unit (only for a post that places the units word: a post without it
// writes its programs as it always did), the tools. Characters that would
// end the comment early or start a new line are taken out of the texts.
std::vector<std::string> NcCommentLines(const TTBPostProcessor& post, const TTBMachiningParameters& params,
                                        const std::string& drawingName, std::time_t when, Units units);

// The whole program for toolpaths 1..last, one "\n" after every line; the
// numbers are the toolpaths' own, in units, and the post's units
// placeholder becomes its word for units. Throws PostError when the post
// has a token or script it cannot use.
std::string NcProgramText(const TTBOutRegionArray& toolpaths, const std::vector<std::string>& comments,
                          const TTBMachiningParameters& params, const TTBPostProcessor& post, Units units);

// Writes the program to fileName: appended when the post's Append flag is
// set and the file exists, else replacing it. The file changes only when the
// whole program is ready: an error leaves it as it was. Throws PostError or
// std::runtime_error (naming the file).
void WriteNcProgram(const TTBOutRegionArray& toolpaths, const std::vector<std::string>& comments,
                    const TTBMachiningParameters& params, const TTBPostProcessor& post, Units units,
                    const std::string& fileName);

// The prototype program for the layers of a 3D toolpath list: the comment
// and header lines numbered, each layer reached from the rapid height and
// plunged at its plunge rate, its points cut (or crossed at rapid where
// marked), a rise to the rapid height before every tool change and at the
// end. Z words are machine Z. An empty list, or one whose first layer has
// no points, gives an empty program. Throws PostError as NcProgramText.
std::string NcProgramText3D(const TTBOutRegionArray3D& layers, const std::vector<std::string>& comments,
                            const TTBMachiningParameters& params, const TTBPostProcessor& post, Units units);

// Writes it as WriteNcProgram does.
void WriteNcProgram3D(const TTBOutRegionArray3D& layers, const std::vector<std::string>& comments,
                      const TTBMachiningParameters& params, const TTBPostProcessor& post, Units units,
                      const std::string& fileName);

}  // namespace tibrel
