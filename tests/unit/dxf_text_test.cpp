// Text written by another CAD library (python3-ezdxf) opens as outlines in
// the places a CAD program draws it: capitals as tall as the text height,
// the alignment point where the alignment puts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "dxf_text.h"
#include "job/open_drawing.h"
#include "text/dxf_text.h"
#include "text/glyph_converter.h"

namespace tibrel {
namespace {

const std::string Root = TIBREL_SOURCE_DIR;

// Liberation Sans: capitals 1409, the H's advance 1479 and the descender
// 434 units of a 2048 em. A text 5 high scales 1409 units to 5.
constexpr double H = 5;
constexpr double Advance = 1479.0 / 1409 * H;
constexpr double Descent = 434.0 / 1409 * H;

// The fixture of twelve H's opened with the face named.
OpenResult OpenTextFixture(Job& job, const std::string& face) {
  job.Options.Font = face;
  return OpenDxfFile(job, Root + "/tests/data/ezdxf_text_r2018.dxf");
}

TEST(DxfText, LandsWhereItsAlignmentPutsIt) {
  Job job;
  const OpenResult res = OpenTextFixture(job, "Liberation Sans");
  ASSERT_TRUE(res.Loaded) << res.Error;
  ASSERT_EQ(job.Regions.size(), 13u);
  const double c30 = std::cos(Pi / 6), s30 = std::sin(Pi / 6);
  const struct {
    const char* what;
    double cx, cy;         // the middle of the H's box
    double width, height;  // the box (0: not checked)
  } cases[] = {
      {"left", Advance / 2, H / 2, 0, H},
      {"centre", 50, H / 2, 0, H},
      {"right", 100 - Advance / 2, H / 2, 0, H},
      {"middle centre", 150, 0, 0, H},
      {"top left", 200 + Advance / 2, -H / 2, 0, H},
      {"bottom right", 250 - Advance / 2, Descent + H / 2, 0, H},
      {"rotated 90", -H / 2, 50 + Advance / 2, H, 0},
      {"rotated 30 centred", 50 - H / 2 * s30, 50 + H / 2 * c30, 0, 0},
      {"mtext first line", Advance / 2, 100 - H / 2, 0, H},
      {"mtext second line", Advance / 2, 100 - 1.2 * H - H / 2, 0, H},
      {"mtext middle centre", 50, 100, 0, H},
      {"attribute", 100 + Advance / 2, 100 + H / 2, 0, H},
  };
  // Within a font unit: the H's side bearings differ by less than one.
  const double tol = H / 1409;
  for (const auto& e : cases) {
    const auto distance = [&e](const TTBRegion& r) {
      return std::hypot((r.XMin + r.XMax) / 2 - e.cx, (r.YMin + r.YMax) / 2 - e.cy);
    };
    const TTBRegion& best = *std::min_element(job.Regions.begin() + 1, job.Regions.end(),
                                              [&](const auto& a, const auto& b) { return distance(a) < distance(b); });
    EXPECT_LT(distance(best), tol) << e.what;
    EXPECT_FALSE(best.IsOpen) << e.what;
    EXPECT_NEAR(e.height > 0 ? best.YMax - best.YMin : 0, e.height, 1e-9) << e.what;
    EXPECT_NEAR(e.width > 0 ? best.XMax - best.XMin : 0, e.width, 1e-9) << e.what;
  }
}

// A face that is not installed: the closest one draws the text, and the
// open says which.
TEST(DxfText, FaceNotFoundIsTold) {
  Job job;
  const OpenResult res = OpenTextFixture(job, "No Such Face Anywhere");
  EXPECT_EQ(job.Regions.size(), 13u);
  ASSERT_EQ(res.Notices.size(), 1u);
  EXPECT_EQ(res.Notices[0].rfind("Font No Such Face Anywhere not found: ", 0), 0u) << res.Notices[0];
}

// A drawing holding more text than any label needs converts the first
// characters only, and says so.
TEST(DxfText, EndlessTextIsCutShort) {
  using namespace testing_dxf;
  std::string body;
  const std::string line(250, 'x');
  for (size_t k = 0; k * line.size() <= MaxDrawingTextCharacters; ++k)
    body += G({{0, "TEXT"}, {8, "0"}, {10, "0"}, {20, std::to_string(k)}, {40, "0.5"}, {1, line}});
  Job job;
  job.Options.Font = "Liberation Sans";
  const OpenResult res = OpenDxfDrawing(job, Entities(body), "long.dxf");
  ASSERT_TRUE(res.Loaded);
  ASSERT_EQ(res.Notices.size(), 1u);
  EXPECT_EQ(res.Notices[0], TextCutShortNotice());
  // An x is one loop.
  EXPECT_EQ(job.Regions.size() - 1, MaxDrawingTextCharacters);
}

}  // namespace
}  // namespace tibrel
