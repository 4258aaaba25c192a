// "Tibrel Options": every field changes the program's value at once (the
// owner applies it); Save writes Options.cfg, Close keeps the changes
// without writing them.
#pragma once

#include <QDialog>
#include <functional>

#include "post/options.h"

namespace tibrel {

class OptionsDialog : public QDialog {
  Q_OBJECT
 public:
  // apply: called after every change with the settings as they now stand;
  // choosePost: the post picked from the list (loaded at once by the owner).
  OptionsDialog(const TTBSettings& settings, const std::vector<std::string>& posts, const std::string& optionsPath,
                std::function<void(const TTBSettings&)> apply, std::function<void(const std::string&)> choosePost,
                QWidget* parent = nullptr);
  const TTBSettings& Settings() const { return s_; }

 private:
  void Changed() { apply_(s_); }
  TTBSettings s_;
  std::string path_;
  std::function<void(const TTBSettings&)> apply_;
};

}  // namespace tibrel
