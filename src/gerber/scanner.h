// The statement scanner of Gerber (RS-274X) files: parameters, apertures,
// the coordinate format, draws, flashes, arcs, regions, layer polarity and
// step and repeat, into the artwork that the painter stamps.
#pragma once

#include <stdexcept>
#include <string_view>

#include "gerber/artwork.h"

namespace tibrel {

// A message that ends an import; the job is left as it was.
struct GerberError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

inline constexpr const char* NegativePolarityMessage =
    "Negative Polarity Read...Convert to Positive Before Importing.";
inline constexpr const char* UnrecognisedGMessage = "Unrecognised G Code";
inline constexpr const char* InvalidApertureMessage = "Invalid Aperature Format";

// Reads the whole file. Throws GerberError for a negative image polarity
// and for a D or G code without a number; messages about parameters that
// are read but not followed go to the artwork's notices.
GerberArtwork ScanGerber(std::string_view data);

}  // namespace tibrel
