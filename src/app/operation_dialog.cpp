#include "app/operation_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "app/configuration_box.h"

namespace tibrel {

namespace {

enum Kinds { Text, Decimal, Integer, Tool, Choice, Check };

constexpr int FieldWidth = 150;  // pixels

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

// What a dialog shows before any configuration is loaded: zeros, names
// "None", no finishing pass, finishing of islands and boundaries, no leads
// (of .25 once chosen) and no compensation chosen (which runs as a cut-out).
// These differ from what a configuration without the key gives.
ConfigurationFields FormDefaultFields(tibrel::OperationDialog dialog) {
  static const std::map<std::string, std::string> words = {
      {"RoughName", "None"}, {"FinishName", "None"},  {"Coolant", "Off"},       {"FinishPass", "False"},
      {"Finish", "Boundaries"}, {"Entry", "None"},    {"Exit", "None"},         {"EntryLength", ".25"},
      {"ExitLength", ".25"},   {"Compensation", ""}, {"Linear", "False"}};
  ConfigurationFields f;
  for (const auto& k : ConfigurationKeys(dialog)) {
    const auto it = words.find(k.Key);
    f[k.Key] = it == words.end() ? "0" : it->second;
  }
  return f;
}

}  // namespace

MachiningDialog::MachiningDialog(tibrel::OperationDialog dialog, const std::string& configPath, double overlap,
                                 tibrel::Units units, QWidget* parent)
    : QDialog(parent), dialog_(dialog), configPath_(configPath), overlap_(overlap) {
  setWindowTitle(Title(dialog));
  const bool pocket = dialog == tibrel::OperationDialog::Pocket, drill = dialog == tibrel::OperationDialog::Drill;
  // The board router has one tool and a depth; no steps, finish or leads.
  const bool board = dialog == tibrel::OperationDialog::PcBoard;
  auto* top = new QVBoxLayout(this);

  auto* unitsLabel = new QLabel;
  unitsLabel->setObjectName("Units");
  top->addWidget(unitsLabel);
  SetUnits(units);

  configurations_ = new ConfigurationBox(
      dialog, configPath, [this] { return Fields(); }, [this](const ConfigurationFields& f) { SetFields(f); },
      ConfigurationBox::AfterDelete::FirstName);
  top->addWidget(configurations_);

  // Two columns of equal width, each group as tall as its fields: the
  // roughing and machining groups on the left, the finishing ones on the
  // right.
  auto* columns = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  columns->addLayout(left, 1);
  columns->addLayout(right, 1);
  top->addLayout(columns);
  auto* rough = new QGroupBox(drill ? "Drilling Parameters" : "Roughing Parameters");
  rough->setLayout(new QFormLayout);
  left->addWidget(rough);
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
  left->addWidget(machining);

  if (!drill && !board) {
    auto* pass = new QGroupBox("Finish Pass");
    pass->setLayout(new QFormLayout);
    AddField(pass, "FinishPass", "Use Finishing Pass", Check);
    right->addWidget(pass);
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
    right->addWidget(finishGroup_);
    leadsGroup_ = new QGroupBox("Entry / Exit");
    leadsGroup_->setLayout(new QFormLayout);
    AddField(leadsGroup_, "Entry", "Entry", Choice, LeadChoices);
    AddField(leadsGroup_, "EntryLength", "Length", Decimal);
    AddField(leadsGroup_, "Exit", "Exit", Choice, LeadChoices);
    AddField(leadsGroup_, "ExitLength", "Length", Decimal);
    if (pocket) {
      static_cast<QFormLayout*>(pass->layout())->addRow(leadsGroup_);
    } else {
      right->addWidget(leadsGroup_);
      auto* comp = new QGroupBox("Compensation");
      comp->setLayout(new QFormLayout);
      AddField(comp, "Compensation", nullptr, Choice,
               {{"None", "None"}, {" Right ", "Right"}, {" Left ", "Left"}, {"Cut Out", "Cutout"}});
      left->addWidget(comp);
    }
  }

  left->addStretch(1);
  right->addStretch(1);
  for (auto* form : findChildren<QFormLayout*>()) form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  // Every field as wide as its finishing twin.
  depth_->setMinimumWidth(FieldWidth);
  for (auto& [key, w] : widgets_)
    if (!qobject_cast<QCheckBox*>(w)) w->setMinimumWidth(FieldWidth);

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

  SetFields(FormDefaultFields(dialog));
  ConfigurationFields last = FormDefaultFields(dialog);
  if (configurations_->LoadLast(last)) SetFields(last);
  configurations_->List()->setCurrentText("None");
  UpdateEnabling();
}

void MachiningDialog::SetUnits(tibrel::Units units) {
  findChild<QLabel*>("Units")->setText(units == tibrel::Units::Inch
                                           ? "Drawing units: inch (lengths and feed rates in inches)"
                                           : "Drawing units: mm (lengths and feed rates in millimetres)");
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
    connect(box, &QComboBox::currentIndexChanged, this, [this, key] {
      // Choosing no lead clears its length; a loaded configuration keeps
      // the length it holds.
      const std::string lead = key;
      const auto choice = widgets_.find(lead), length = widgets_.find(lead + "Length");
      if (!filling_ && choice != widgets_.end() && length != widgets_.end() &&
          static_cast<QComboBox*>(choice->second)->currentData().toString() == "None")
        static_cast<QLineEdit*>(length->second)->setText("0");
      UpdateEnabling();
    });
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
  if (caption) form->addRow(caption, w);
  else form->addRow(w);
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
  filling_ = true;
  for (const auto& [key, value] : fields) {
    const auto it = widgets_.find(key);
    if (it == widgets_.end()) {
      hidden_[key] = value;
      continue;
    }
    const QString v = QString::fromStdString(ConfigurationChoice(key, value));
    if (auto* e = qobject_cast<QLineEdit*>(it->second)) e->setText(v);
    else if (auto* b = qobject_cast<QComboBox*>(it->second)) b->setCurrentIndex(value.empty() ? -1 : std::max(0, b->findData(v)));
    else if (auto* c = qobject_cast<QCheckBox*>(it->second)) c->setChecked(v == "True");
  }
  filling_ = false;
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
    const QString lead = static_cast<QComboBox*>(widgets_[choice])->currentData().toString();
    auto* edit = static_cast<QLineEdit*>(widgets_[length]);
    edit->setEnabled(lead != "None");
    if (auto it = captions_.find(edit); it != captions_.end()) it->second->setText(lead == "Arc" ? "Radius" : "Length");
  }
}

}  // namespace tibrel
