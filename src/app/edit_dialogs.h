// The dialogs of the Edit menu: "Machining Order", "Add Depths" (modeless),
// "Add Walls" and "Move, Scale, and Rotate " (modeless). Each calls the core
// command the command line would, and tells the main window to redraw.
#pragma once

#include <QDialog>
#include <functional>

#include "job/job.h"
#include "job/commands.h"

class QLineEdit;
class QComboBox;
class QRadioButton;
class QLabel;
class QSpinBox;

namespace tibrel {

// What the dialogs report: a status text, a message for a box, and whether
// the drawing changed.
using EditReport = std::function<void(const std::string& status, const std::string& message)>;

class MachiningOrderDialog : public QDialog {
  Q_OBJECT
 public:
  MachiningOrderDialog(int lastIndex, QWidget* parent = nullptr);
  int StartAt() const;

 protected:
  // The space key in the field closes the dialog as OK does.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QSpinBox* start_;
};

class AddDepthsDialog : public QDialog {
  Q_OBJECT
 public:
  AddDepthsDialog(Job& job, EditReport report, QWidget* parent = nullptr);

 private:
  Job& job_;
  EditReport report_;
  QLineEdit *depth_, *region_;
  QRadioButton *boundaries_, *islands_, *single_;
};

class AddWallsDialog : public QDialog {
  Q_OBJECT
 public:
  AddWallsDialog(Job& job, EditReport report, QWidget* parent = nullptr);

 private:
  void ShowRegion();
  Job& job_;
  EditReport report_;
  QComboBox *region_, *profile_;
  QLineEdit* delta_;
  QLabel* preview_;
};

class MoveScaleRotateDialog : public QDialog {
  Q_OBJECT
 public:
  MoveScaleRotateDialog(Job& job, EditReport report, QWidget* parent = nullptr);

 private:
  void Show(const Box& box);
  Job& job_;
  EditReport report_;
  MoveScaleRotateState state_;
  QLabel* shown_[6];
  QLineEdit *cornerX_, *cornerY_, *scale_, *angle_;
};

// The mesh Edit menu's "Move, Scale and Rotate" (modeless): scales about
// the origin, turns about an axis through it, then puts the model's
// lower-left corner and top where typed; the blank follows the model.
class StlMoveDialog : public QDialog {
  Q_OBJECT
 public:
  StlMoveDialog(Job& job, EditReport report, QWidget* parent = nullptr);
  // The current values again, the corner fields prefilled, the scale "0.000".
  void Refresh();

 private:
  Job& job_;
  EditReport report_;
  QLabel* shown_[5];
  QLineEdit *cornerX_, *cornerY_, *scale_, *top_, *angle_;
  QComboBox* axis_;
};

}  // namespace tibrel
