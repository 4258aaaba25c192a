// The "Configuration" box of every machining dialog: the list of the named
// configurations of Configurations.cfg with Load, Save and Delete. The
// dialog hands it the way to read and to set its fields; all dialogs share
// the file and its names.
#pragma once

#include <QGroupBox>
#include <functional>
#include <string>

#include "post/configurations.h"

class QComboBox;

namespace tibrel {

class ConfigurationBox : public QGroupBox {
  Q_OBJECT
 public:
  // What the list shows after Delete: the first name left in the file (the
  // 2.5D dialogs), or "None" (the Stl Machining dialog).
  enum class AfterDelete { FirstName, None };

  ConfigurationBox(OperationDialog dialog, std::string configPath, std::function<ConfigurationFields()> read,
                   std::function<void(const ConfigurationFields&)> write, AfterDelete afterDelete,
                   QWidget* parent = nullptr);

  // The list refilled from the file: "None" first, then every section.
  void Fill();
  // "LAST" loaded over base; false (base unchanged) without the file or
  // the section, or when the file cannot be read.
  bool LoadLast(ConfigurationFields& base) const;
  QComboBox* List() const { return list_; }

  void Load();
  void Save();
  void Delete();

 private:
  OperationDialog dialog_;
  std::string configPath_;
  std::function<ConfigurationFields()> read_;
  std::function<void(const ConfigurationFields&)> write_;
  AfterDelete afterDelete_;
  QComboBox* list_ = nullptr;
};

}  // namespace tibrel
