// The Options dialog's "Text" page: the face of the text (chosen with the
// font chooser, which also sets bold and italic), the face actually used,
// and the "Precision" of curves.
#pragma once

#include <QWidget>
#include <functional>

#include "post/options.h"

namespace tibrel {

// Edits options in place; changed is called after every change.
QWidget* TextOptionsPage(TTBOptions& options, std::function<void()> changed);

}  // namespace tibrel
