// The face the text tests use: Liberation Sans from Debian's
// fonts-liberation, found through the font configuration and opened by its
// file, never a face that happens to be on the machine.
#pragma once

#include <gtest/gtest.h>

#include "text/glyph_converter.h"

namespace tibrel::testfont {

inline TextFont LiberationSans() {
  TextFont f;
  f.Face = "Liberation Sans";
  const FaceMatch m = FindFace(f);
  EXPECT_EQ(m.Family, "Liberation Sans") << "fonts-liberation is not installed";
  EXPECT_NE(m.File.find("/liberation"), std::string::npos) << m.File;
  f.File = m.File;
  return f;
}

}  // namespace tibrel::testfont
