// The Pocket, Contour and Drill dialogs: the operation's fields (the keys of
// Configurations.cfg) with their captions, key filters and enabling rules,
// the configuration list with Load, Save and Delete, and the depth field.
// The command button accepts; the main window then hands the fields to the
// same core function the command line uses.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <map>

#include "geometry/units.h"
#include "post/configurations.h"

class QCheckBox;
class QGroupBox;
class QLabel;

namespace tibrel {

class ConfigurationBox;

class MachiningDialog : public QDialog {
  Q_OBJECT
 public:
  // configPath: Configurations.cfg; overlap: the tool overlap fraction that
  // turns a pocket tool diameter into its step; units: the drawing's, which
  // every length and feed rate of the dialog is in (shown, never converted).
  MachiningDialog(tibrel::OperationDialog dialog, const std::string& configPath, double overlap, tibrel::Units units,
                  QWidget* parent = nullptr);

  ConfigurationFields Fields() const;
  void SetFields(const ConfigurationFields& fields);
  std::string DepthText() const;
  // The dialog lives as long as the window; these follow the job between uses.
  void SetUnits(tibrel::Units units);
  void SetOverlap(double overlap) { overlap_ = overlap; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void AddField(QGroupBox* group, const char* key, const char* caption, int kind,
                const std::vector<std::pair<const char*, const char*>>& choices = {});
  void UpdateEnabling();

  tibrel::OperationDialog dialog_;
  std::string configPath_;
  double overlap_;
  std::map<std::string, QWidget*> widgets_;
  std::map<QWidget*, QLabel*> captions_;
  ConfigurationFields hidden_;  // keys without a widget (the drill's cycle choice)
  QLineEdit* depth_ = nullptr;
  ConfigurationBox* configurations_ = nullptr;
  QGroupBox* finishGroup_ = nullptr;
  QGroupBox* leadsGroup_ = nullptr;
  bool filling_ = false;  // fields being set from a configuration, not by the user
};

}  // namespace tibrel
