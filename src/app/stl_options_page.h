// The Options dialog's "STL" page: how deep a model's top is placed below
// the stock top when it opens, and the raster step that a typed cutter
// diameter gives in the Stl Machining dialog.
#pragma once

#include <QWidget>
#include <functional>

#include "post/options.h"

namespace tibrel {

// Edits options in place; changed is called after every change.
QWidget* StlOptionsPage(TTBOptions& options, std::function<void()> changed);

}  // namespace tibrel
