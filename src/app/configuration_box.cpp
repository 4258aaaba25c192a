#include "app/configuration_box.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>

#include "core/files.h"
#include "core/ini.h"

namespace tibrel {

ConfigurationBox::ConfigurationBox(OperationDialog dialog, std::string configPath,
                                   std::function<ConfigurationFields()> read,
                                   std::function<void(const ConfigurationFields&)> write, AfterDelete afterDelete,
                                   QWidget* parent)
    : QGroupBox("Configuration", parent),
      dialog_(dialog),
      configPath_(std::move(configPath)),
      read_(std::move(read)),
      write_(std::move(write)),
      afterDelete_(afterDelete) {
  auto* row = new QHBoxLayout(this);
  list_ = new QComboBox;
  list_->setEditable(true);
  list_->setObjectName("Configuration");
  list_->setMinimumWidth(160);
  auto* load = new QPushButton("Load");
  auto* save = new QPushButton("Save");
  auto* remove = new QPushButton("Delete");
  row->addWidget(list_, 1);
  row->addWidget(load);
  row->addWidget(save);
  row->addWidget(remove);
  connect(load, &QPushButton::clicked, this, [this] { Load(); });
  connect(save, &QPushButton::clicked, this, [this] { Save(); });
  connect(remove, &QPushButton::clicked, this, [this] { Delete(); });
  Fill();
}

void ConfigurationBox::Fill() {
  list_->clear();
  list_->addItem("None");
  if (!FileExists(configPath_)) return;
  try {
    for (const auto& name : ConfigurationNames(IniFile::Load(configPath_))) list_->addItem(QString::fromStdString(name));
  } catch (const std::exception&) {
  }
}

bool ConfigurationBox::LoadLast(ConfigurationFields& base) const {
  try {
    return FileExists(configPath_) && LoadConfigurationFile(configPath_, LastConfiguration, dialog_, base);
  } catch (const std::exception&) {
    return false;
  }
}

void ConfigurationBox::Load() {
  ConfigurationFields f = read_();
  try {
    if (LoadConfigurationFile(configPath_, list_->currentText().toStdString(), dialog_, f)) write_(f);
  } catch (const std::exception& e) {
    QMessageBox::warning(this, window()->windowTitle(), e.what());
  }
}

void ConfigurationBox::Save() {
  const std::string name = list_->currentText().toStdString();
  try {
    if (!SaveConfigurationFile(configPath_, name, dialog_, read_())) return;
  } catch (const std::exception& e) {
    QMessageBox::warning(this, window()->windowTitle(), e.what());
    return;
  }
  QMessageBox::information(this, window()->windowTitle(), QString::fromStdString("Configuration " + name + " saved"));
  if (list_->findText(QString::fromStdString(name)) < 0) list_->addItem(QString::fromStdString(name));
}

void ConfigurationBox::Delete() {
  try {
    if (!DeleteConfigurationFile(configPath_, list_->currentText().toStdString())) return;
  } catch (const std::exception& e) {
    QMessageBox::warning(this, window()->windowTitle(), e.what());
    return;
  }
  Fill();
  if (afterDelete_ == AfterDelete::None) list_->setCurrentIndex(0);
  // The first saved name, or an empty box when none is left.
  else list_->setCurrentIndex(list_->count() > 1 ? 1 : -1);
}

}  // namespace tibrel
