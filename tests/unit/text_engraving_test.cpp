// Text engraved on its lines (Contour with compensation None) through every
// shipped post, replayed by the cutter model: no rapid through the stock,
// no stop in the cut, no zero feed, known plunges, every cut made.
#include <gtest/gtest.h>

#include "core/ini.h"
#include "cutter_model.h"
#include "job/add_text.h"
#include "job/commands.h"
#include "job/operations.h"
#include "post/nc_writer.h"

namespace tibrel {
namespace {

const std::string Source = TIBREL_SOURCE_DIR;

TEST(TextEngraving, PassesTheCutterModelThroughEveryShippedPost) {
  Job job;
  job.Options.Font = "Liberation Sans";
  TTTFToVectorConverter converter;
  TextPlacement line;
  line.Text = "Tibrel 8&O", line.Height = 10;
  ASSERT_TRUE(AddText(job, line, converter).Changed);
  TextPlacement arc;
  arc.Text = "ROUND", arc.Height = 6, arc.OnArc = true, arc.X = 30, arc.Y = -30, arc.Radius = 25, arc.AngleDegrees = -20;
  ASSERT_TRUE(AddText(job, arc, converter).Changed);
  SelectAll(job);
  ConfigurationFields f = DefaultConfigurationFields(OperationDialog::Contour);
  f["Compensation"] = "None", f["RoughTool"] = "1", f["RoughDiameter"] = "0.5", f["RoughStepZ"] = "0.2";
  f["RoughFeed"] = "300", f["RoughPlunge"] = "100", f["RoughRPM"] = "20000", f["RapidHeight"] = "2";
  f["Entry"] = "None", f["Exit"] = "None", f["FinishPass"] = "False", f["StockToLeave"] = "0";
  ApplyOperationFields(job, OperationDialog::Contour, f, "0.4");
  const OperationResult r = RunOperation(job, OperationDialog::Contour);
  ASSERT_TRUE(r.Made) << r.Message;
  const IniFile posts = IniFile::Load(Source + "/resources/Posts.cfg");
  size_t checked = 0;
  for (const auto& name : posts.Sections()) {
    TTBPostProcessor post;
    ASSERT_TRUE(LoadPost(post, name, posts));
    const auto comments = NcCommentLines(post, job.MachiningParameters, "text", 0, job.DrawingUnits);
    const cutter::Program program =
        cutter::ReadProgram(NcProgramText(job.Toolpaths, comments, job.MachiningParameters, post, job.DrawingUnits));
    cutter::Violations v = cutter::CheckCutter(program, {}, {{1, {0.25, 0}}});
    const cutter::Violations missing = cutter::MissingCuts(program, job.Toolpaths);
    v.insert(v.end(), missing.begin(), missing.end());
    EXPECT_TRUE(v.empty()) << name << ": " << cutter::Report(v, program);
    checked += cutter::MovesBelowTop(program);
  }
  EXPECT_GT(checked, 1000u) << "the programs cut nothing";
}

}  // namespace
}  // namespace tibrel
