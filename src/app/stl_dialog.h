// The "Stl Machining" dialog of the Prototype command: the blank, the
// roughing and finishing tools, steps, feeds and directions, the
// configuration box, and the field rules (a diameter sets its steps, a V
// cutter takes an angle, finishing "None" leaves the finishing fields
// off). Machine accepts; the main window then hands the fields to the same
// core functions the command line uses.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <map>
#include <span>
#include <string>

#include "geometry/extents.h"
#include "job/mesh_commands.h"
#include "post/configurations.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;

namespace tibrel {

class ConfigurationBox;

class StlDialog : public QDialog {
  Q_OBJECT
 public:
  // A field of a pass: its key is the pass ("Rough" or "Finish") and the
  // suffix; a list when it has choices, else a line with the key filter.
  struct FieldRow {
    const char* Suffix;
    const char* Caption;
    const char* Keys;
    const QStringList* Choices;
  };

  // configPath: Configurations.cfg, whose "LAST" the new dialog shows.
  explicit StlDialog(const std::string& configPath, QWidget* parent = nullptr);

  // Before each showing: the blank as last stored (two decimals), the
  // model's extents that "X and Y Margin" widens, and the step as a
  // fraction of the cutter diameter that a typed diameter gives its steps.
  void Prepare(const TTBPrototypeParameters& blank, const TExtents& extents, double stepFraction);
  // A model was opened: "X and Y Margin" becomes "0.0", which puts the
  // blank's X and Y on the model's box.
  void ModelOpened(const TExtents& extents);

  // The fields kept in Configurations.cfg, by key.
  ConfigurationFields Fields() const;
  // Loads fields by key; a Y step follows its X step, as the file keeps
  // only the X step.
  void SetFields(const ConfigurationFields& fields);
  // What the file has no key for: the blank, the Y steps, the directions.
  PrototypeDialogValues Values() const;

  // Male (1) or Female (0) as soon as one is clicked, Cancel or not.
  std::function<void(int32_t male)> onMaleChosen;

 private:
  QLineEdit* Edit(const std::string& name) const;
  QComboBox* Box(const std::string& name) const;
  void AddEdit(QGroupBox* group, const std::string& name, const char* caption, const char* allowed);
  void AddBox(QGroupBox* group, const std::string& name, const char* caption, const QStringList& shown);
  void AddFields(QGroupBox* group, const std::string& pass, std::span<const FieldRow> rows);
  QGroupBox* AddDirections(QGroupBox* group, const char* prefix, const char* caption, const QStringList& choices);
  void DiameterTyped(const char* prefix, const QString& text);
  void ApplyMargin();
  void UpdateEnabling();

  std::map<std::string, QWidget*> widgets_;
  ConfigurationBox* configurations_ = nullptr;
  QRadioButton* male_ = nullptr;
  QRadioButton* female_ = nullptr;
  TExtents extents_;
  double stepFraction_ = 0.1;
};

}  // namespace tibrel
