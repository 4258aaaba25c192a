#include "app/operation_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "core/files.h"
#include "core/ini.h"

namespace tibrel {

namespace {

enum Kinds { Text, Decimal, Integer, Tool, Choice, Check };

const char* Title(tibrel::OperationDialog d) {
  switch (d) {
    case tibrel::OperationDialog::Pocket: return "Pocket";
    case tibrel::OperationDialog::Contour: return "Contour";
    case tibrel::OperationDialog::PcBoard: return "PCB Route";
    default: return "Drill";
  }
}

const std::vector<std::pair<const char*, const char*>> LeadChoices = {
    {"None", "None"}, {"Arc", "Arc"}, {"Perpendicular", "Perpendicular"}, {"Tangent", "Tangent"}};

}  // namespace

MachiningDialog::MachiningDialog(tibrel::OperationDialog dialog, const std::string& configPath, double overlap,
                                 tibrel::Units units, QWidget* parent)
    : QDialog(parent), dialog_(dialog), configPath_(configPath), overlap_(overlap) {
  setWindowTitle(Title(dialog));
  const bool pocket = dialog == tibrel::OperationDialog::Pocket, drill = dialog == tibrel::OperationDialog::Drill;
  // The board router has one tool and a depth; no steps, finish or leads.
  const bool board = dialog == tibrel::OperationDialog::PcBoard;
  auto* top = new QVBoxLayout(this);

  auto* unitsLabel = new QLabel(units == tibrel::Units::Inch
                                    ? "Drawing units: inch (lengths and feed rates in inches)"
                                    : "Drawing units: mm (lengths and feed rates in millimetres)");
  unitsLabel->setObjectName("Units");
  top->addWidget(unitsLabel);

  auto* configRow = new QHBoxLayout;
  configurations_ = new QComboBox;
  configurations_->setEditable(true);
  configurations_->setObjectName("Configuration");
  configurations_->setMinimumWidth(160);
  auto* load = new QPushButton("Load");
  auto* save = new QPushButton("Save");
  auto* remove = new QPushButton("Delete");
  configRow->addWidget(configurations_, 1);
  configRow->addWidget(load);
  configRow->addWidget(save);
  configRow->addWidget(remove);
  auto* configBox = new QGroupBox("Configuration");
  configBox->setLayout(configRow);
  top->addWidget(configBox);
  connect(load, &QPushButton::clicked, this, [this] { LoadConfiguration(); });
  connect(save, &QPushButton::clicked, this, [this] { SaveConfiguration(); });
  connect(remove, &QPushButton::clicked, this, [this] { DeleteConfiguration(); });

  auto* grid = new QGridLayout;
  top->addLayout(grid);
  auto* rough = new QGroupBox(drill ? "Drilling Parameters" : "Roughing Parameters");
  rough->setLayout(new QFormLayout);
  grid->addWidget(rough, 0, 0);
  AddField(rough, "RoughTool", "Tool", Tool);
  AddField(rough, "RoughName", "Tool Name", Text);
  AddField(rough, "RoughDiameter", "Tool Diameter", Decimal);
  if (pocket) AddField(rough, "RoughStepXY", "X-Y Step Size", Decimal);
  if (!drill && !board) {
    AddField(rough, "RoughStepZ", "Z Step Size", Decimal);
    AddField(rough, "StockToLeave", "Stock To Leave", Decimal);
  }
  AddField(rough, "RoughRPM", "Spindle RPM", Integer);
  if (!drill) AddField(rough, "RoughFeed", "Feedrate", Decimal);
  AddField(rough, "RoughPlunge", "Plunge Rate", Decimal);

  auto* machining = new QGroupBox("Machining Parameters");
  auto* machiningForm = new QFormLayout;
  machining->setLayout(machiningForm);
  depth_ = new QLineEdit("1");
  depth_->setObjectName("Depth");
  depth_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9.,]*"), depth_));
  machiningForm->addRow(pocket ? "Pocket Depth" : drill ? "Drilling Depth" : board ? "Route Depth" : "Contour Depth", depth_);
  AddField(machining, "RapidHeight", drill ? "Tool Clearance" : "Rapid Height", Decimal);
  AddField(machining, "StartAt", "Number Start At", Integer);
  AddField(machining, "Increment", "Number Increment", Integer);
  if (!board) AddField(machining, "Coolant", "Coolant", Choice, {{"Off", "Off"}, {"On", "On"}});
  grid->addWidget(machining, 1, 0);

  if (!drill && !board) {
    auto* pass = new QGroupBox("Finish Pass");
    pass->setLayout(new QFormLayout);
    AddField(pass, "FinishPass", "Use Finishing Pass", Check);
    grid->addWidget(pass, 0, 1);
    if (pocket)
      AddField(pass, "Finish", "Finish", Choice,
               {{"Islands Only", "Islands"}, {"Islands / Boundaries", "Boundaries"}, {"Both + Bottom", "Both"}});
    finishGroup_ = new QGroupBox("Finishing Parameters");
    finishGroup_->setLayout(new QFormLayout);
    AddField(finishGroup_, "FinishTool", "Tool", Tool);
    AddField(finishGroup_, "FinishName", "Tool Name", Text);
    AddField(finishGroup_, "FinishDiameter", "Tool Diameter", Decimal);
    if (pocket) AddField(finishGroup_, "FinishStepXY", "X-Y Step Size", Decimal);
    AddField(finishGroup_, "FinishStepZ", "Z Step Size", Decimal);
    AddField(finishGroup_, "FinishRPM", "Spindle RPM", Integer);
    AddField(finishGroup_, "FinishFeed", "Feedrate", Decimal);
    grid->addWidget(finishGroup_, 1, 1);
    leadsGroup_ = new QGroupBox("Entry / Exit");
    leadsGroup_->setLayout(new QFormLayout);
    AddField(leadsGroup_, "Entry", "Entry", Choice, LeadChoices);
    AddField(leadsGroup_, "EntryLength", "Length", Decimal);
    AddField(leadsGroup_, "Exit", "Exit", Choice, LeadChoices);
    AddField(leadsGroup_, "ExitLength", "Length", Decimal);
    if (pocket) {
      pass->layout()->addWidget(leadsGroup_);
    } else {
      grid->addWidget(leadsGroup_, 2, 1);
      auto* comp = new QGroupBox("Compensation");
      comp->setLayout(new QFormLayout);
      AddField(comp, "Compensation", "Compensation", Choice,
               {{"None", "None"}, {" Right ", "Right"}, {" Left ", "Left"}, {"Cut Out", "Cutout"}});
      grid->addWidget(comp, 2, 0);
    }
  }

  auto* buttons = new QDialogButtonBox;
  auto* run = buttons->addButton(board ? "Route" : Title(dialog), QDialogButtonBox::AcceptRole);
  run->setObjectName("Run");
  buttons->addButton(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  top->addWidget(buttons);

  // A pocket step follows its tool's diameter.
  if (pocket)
    for (auto [dia, step] : {std::pair{"RoughDiameter", "RoughStepXY"}, std::pair{"FinishDiameter", "FinishStepXY"}}) {
      auto* d = static_cast<QLineEdit*>(widgets_[dia]);
      auto* s = static_cast<QLineEdit*>(widgets_[step]);
      connect(d, &QLineEdit::textEdited, this, [this, s](const QString& t) {
        s->setText(QString::asprintf("%.4f", t.toDouble() * overlap_));
      });
    }

  FillConfigurationList();
  SetFields(DefaultConfigurationFields(dialog));
  try {
    ConfigurationFields last = DefaultConfigurationFields(dialog);
    if (LoadConfigurationFile(configPath_, LastConfiguration, dialog, last)) SetFields(last);
  } catch (const std::exception&) {
  }
  configurations_->setCurrentText("None");
  UpdateEnabling();
}

void MachiningDialog::AddField(QGroupBox* group, const char* key, const char* caption, int kind,
                               const std::vector<std::pair<const char*, const char*>>& choices) {
  auto* form = static_cast<QFormLayout*>(group->layout());
  QWidget* w = nullptr;
  if (kind == Tool || kind == Choice) {
    auto* box = new QComboBox;
    if (kind == Tool)
      for (int k = 0; k <= 9; ++k) box->addItem(QString::number(k), QString::number(k));
    for (const auto& [shown, saved] : choices) box->addItem(shown, saved);
    connect(box, &QComboBox::currentIndexChanged, this, [this] { UpdateEnabling(); });
    w = box;
  } else if (kind == Check) {
    auto* check = new QCheckBox;
    connect(check, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    w = check;
  } else {
    auto* edit = new QLineEdit;
    if (kind == Decimal) edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9.,]*"), edit));
    if (kind == Integer) edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
    w = edit;
  }
  w->setObjectName(key);
  form->addRow(caption, w);
  widgets_[key] = w;
  // While a field has the focus its caption is shown framed.
  if (auto* label = qobject_cast<QLabel*>(form->labelForField(w))) {
    captions_[w] = label;
    w->installEventFilter(this);
  }
}

bool MachiningDialog::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) {
    const auto it = captions_.find(static_cast<QWidget*>(watched));
    if (it != captions_.end())
      it->second->setFrameStyle(e->type() == QEvent::FocusIn ? QFrame::Panel | QFrame::Sunken : QFrame::NoFrame);
  }
  return QDialog::eventFilter(watched, e);
}

ConfigurationFields MachiningDialog::Fields() const {
  ConfigurationFields f = hidden_;
  for (const auto& [key, w] : widgets_) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) f[key] = e->text().toStdString();
    else if (auto* b = qobject_cast<QComboBox*>(w)) f[key] = b->currentData().toString().toStdString();
    else if (auto* c = qobject_cast<QCheckBox*>(w)) f[key] = c->isChecked() ? "True" : "False";
  }
  return f;
}

void MachiningDialog::SetFields(const ConfigurationFields& fields) {
  for (const auto& [key, value] : fields) {
    const auto it = widgets_.find(key);
    if (it == widgets_.end()) {
      hidden_[key] = value;
      continue;
    }
    const QString v = QString::fromStdString(ConfigurationChoice(key, value));
    if (auto* e = qobject_cast<QLineEdit*>(it->second)) e->setText(v);
    else if (auto* b = qobject_cast<QComboBox*>(it->second)) b->setCurrentIndex(std::max(0, b->findData(v)));
    else if (auto* c = qobject_cast<QCheckBox*>(it->second)) c->setChecked(v == "True");
  }
  UpdateEnabling();
}

std::string MachiningDialog::DepthText() const { return depth_->text().toStdString(); }

void MachiningDialog::UpdateEnabling() {
  if (!finishGroup_) return;
  const auto* pass = static_cast<QCheckBox*>(widgets_["FinishPass"]);
  bool on = pass->isChecked();
  const auto comp = widgets_.find("Compensation");
  if (comp != widgets_.end()) on = on && static_cast<QComboBox*>(comp->second)->currentData().toString() != "Cutout";
  finishGroup_->setEnabled(on);
  if (dialog_ == tibrel::OperationDialog::Pocket) {
    leadsGroup_->setEnabled(on);
    widgets_["Finish"]->setEnabled(on);
  }
  for (auto [choice, length] : {std::pair{"Entry", "EntryLength"}, std::pair{"Exit", "ExitLength"}}) {
    const bool none = static_cast<QComboBox*>(widgets_[choice])->currentData().toString() == "None";
    auto* edit = static_cast<QLineEdit*>(widgets_[length]);
    if (none) edit->setText("0");
    edit->setEnabled(!none);
  }
}

void MachiningDialog::FillConfigurationList() {
  configurations_->clear();
  configurations_->addItem("None");
  if (!FileExists(configPath_)) return;
  try {
    for (const auto& name : ConfigurationNames(IniFile::Load(configPath_)))
      configurations_->addItem(QString::fromStdString(name));
  } catch (const std::exception&) {
  }
}

void MachiningDialog::LoadConfiguration() {
  ConfigurationFields f = Fields();
  try {
    if (LoadConfigurationFile(configPath_, configurations_->currentText().toStdString(), dialog_, f)) SetFields(f);
  } catch (const std::exception& e) {
    QMessageBox::warning(this, windowTitle(), e.what());
  }
}

void MachiningDialog::SaveConfiguration() {
  const std::string name = configurations_->currentText().toStdString();
  try {
    if (!SaveConfigurationFile(configPath_, name, dialog_, Fields())) return;
  } catch (const std::exception& e) {
    QMessageBox::warning(this, windowTitle(), e.what());
    return;
  }
  QMessageBox::information(this, windowTitle(), QString::fromStdString("Configuration " + name + " saved"));
  if (configurations_->findText(QString::fromStdString(name)) < 0) configurations_->addItem(QString::fromStdString(name));
}

void MachiningDialog::DeleteConfiguration() {
  try {
    if (!DeleteConfigurationFile(configPath_, configurations_->currentText().toStdString())) return;
  } catch (const std::exception& e) {
    QMessageBox::warning(this, windowTitle(), e.what());
    return;
  }
  FillConfigurationList();
  configurations_->setCurrentIndex(configurations_->count() > 1 ? 1 : 0);
}

}  // namespace tibrel
