// Block references: INSERT and MINSERT entities read from their groups, and
// the contents of their blocks put into the drawing where they are placed.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/progress.h"
#include "dxf/entities.h"
#include "dxf/entity_transform.h"
#include "dxf/groups.h"

namespace tibrel {

// Blocks inserting blocks are followed this deep (an insert of modelspace is
// level 1); deeper ones are left out with a notice. Real drawings nest a few
// levels; this bound stops runaway nesting before it exhausts memory.
inline constexpr int MaxBlockNesting = 32;
// The inserts of one drawing make at most this many entities (and copies of
// a MINSERT); the rest are left out with a notice, so that a few bytes of
// nested arrays cannot ask for more memory than the machine has.
inline constexpr size_t MaxInsertedEntities = 2000000;

// The key of a block name in DXF_Object::Blocks: names differ only by
// letters' case are one block.
std::string BlockKey(std::string_view name);

// Reads an INSERT (a MINSERT when it has rows or columns) from its groups:
// missing scales are 1, missing row and column counts 1. Throws
// DXF_read_exception for a value that does not convert.
std::unique_ptr<Insert_> InsertFromGroups(const DxfGroups& groups);

// The map from the coordinates of the block (whose base point is base) to
// world coordinates for the copy in the given row and column of the insert:
// scaled, turned by the rotation, moved to the insertion point plus the grid
// offset (turned, not scaled), in the plane of the insert's extrusion.
DxfAffine InsertPlacement(const Insert_& insert, const DxfPoint3& base, long row, long column);

// Receives each entity that an insert makes, with the layer it goes to.
using InsertSink = std::function<void(const std::string& layer, std::unique_ptr<DXF_Entity>)>;

// What the expansion of inserts could not do, for the notices.
struct InsertOutcome {
  std::vector<std::string> Notices;  // why something was left out, each once
  bool LeftOut = false;              // some insert, or part of one, was left out
  bool UnreadSpline = false;         // an inserted block held an unreadable SPLINE
  bool Cancelled = false;
  size_t Made = 0;                   // entities and MINSERT copies made so far
};

// Sends the contents of the insert's block to sink, placed by the insert and
// then by outer, in the block's order (a MINSERT copy by copy, row by row);
// nested inserts are expanded where they stand. Entities of the block on
// layer "0" go to the insert's layer, the others keep theirs. Attribute
// definitions are not inserted.
void ExpandInsert(const DXF_Object& drawing, const Insert_& insert, const std::string& layer, const DxfAffine& outer,
                  const InsertSink& sink, InsertOutcome& outcome, const PassControl& control = {});

// Expands every insert in the drawing's layers into the layers (the Insert_
// entities stay, like Block_ ones, and make no geometry of their own), and
// gives the notices for what could not be inserted.
void ExpandInserts(DXF_Object& drawing, const PassControl& control = {});

}  // namespace tibrel
