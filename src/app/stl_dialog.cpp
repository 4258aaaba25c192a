#include "app/stl_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "app/configuration_box.h"
#include "core/numbers.h"
#include "job/operations.h"

namespace tibrel {

namespace {

// Key filters: lengths, feeds and angles may be negative or use either
// decimal mark; line numbers and spindle speeds are whole numbers.
constexpr const char* DecimalKeys = "[-0-9.,]*";
constexpr const char* DigitKeys = "[0-9]*";

const QStringList ToolNumbers = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
// The cutter shapes in the order of their saved index: 0 End, 1 Ball, 2 V.
const QStringList CutterShapes = {"End", "Ball ", "V"};
constexpr int VCutterIndex = 2;

// The steps, feed and speed of each pass, and its tool.
const StlDialog::FieldRow PassRows[] = {{"StepXY", "X Step", DecimalKeys, nullptr},
                                        {"StepY", "Y Step", DecimalKeys, nullptr},
                                        {"StepZ", "Z Step", DecimalKeys, nullptr},
                                        {"Feed", "Feedrate", DecimalKeys, nullptr},
                                        {"RPM", "Spindle RPM", DigitKeys, nullptr}};
const StlDialog::FieldRow ToolRows[] = {{"Tool", "Number", nullptr, &ToolNumbers},
                                        {"Name", "Name", nullptr, nullptr},
                                        {"Diameter", "Dia", DecimalKeys, nullptr},
                                        {"Type", "Type", nullptr, &CutterShapes},
                                        {"Angle", "Angle", DecimalKeys, nullptr}};

// The finishing fields that finishing direction "None" switches off.
const char* const FinishingFields[] = {"FinishTool", "FinishName",  "FinishDiameter", "FinishStepXY", "FinishStepY",
                                       "FinishStepZ", "FinishRPM",  "FinishFeed",     "FinishAngle",  "FinishType"};

QString Formatted(const char* format, double v) { return QString::fromStdString(FormatNumber(format, v)); }

// A fresh dialog: every number 0, the names "None", end mills, no coolant.
ConfigurationFields FreshFields() {
  ConfigurationFields f;
  for (const auto& k : ConfigurationKeys(OperationDialog::Prototype)) f[k.Key] = "0";
  f["RoughName"] = f["FinishName"] = "None";
  f["Coolant"] = "Off";
  return f;
}

}  // namespace

StlDialog::StlDialog(const std::string& configPath, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Stl Machining");
  auto* top = new QVBoxLayout(this);
  configurations_ = new ConfigurationBox(
      OperationDialog::Prototype, configPath, [this] { return Fields(); },
      [this](const ConfigurationFields& f) { SetFields(f); }, ConfigurationBox::AfterDelete::None);
  top->addWidget(configurations_);

  auto* columns = new QHBoxLayout;
  top->addLayout(columns);
  QVBoxLayout* column[3];
  for (auto*& c : column) {
    c = new QVBoxLayout;
    columns->addLayout(c, 1);
  }
  auto group = [](QVBoxLayout* into, const char* title) {
    auto* g = new QGroupBox(title);
    g->setLayout(new QFormLayout);
    into->addWidget(g);
    return g;
  };

  QGroupBox* misc = group(column[0], "Misc. Parameters");
  AddEdit(misc, "RapidHeight", "Rapid Height", DecimalKeys);
  AddEdit(misc, "StartAt", "Number Start At", DigitKeys);
  AddEdit(misc, "Increment", "Number Increment", DigitKeys);
  AddBox(misc, "Coolant", "Coolant", {"Off", "On"});

  QGroupBox* blank = group(column[0], "Blank");
  auto* kind = new QHBoxLayout;
  male_ = new QRadioButton("Male");
  male_->setObjectName("Male");
  female_ = new QRadioButton("Female");
  female_->setObjectName("Female");
  male_->setChecked(true);
  for (auto [button, male] : {std::pair{male_, 1}, std::pair{female_, 0}})
    connect(button, &QRadioButton::clicked, this, [this, male = male] {
      if (onMaleChosen) onMaleChosen(male);
    });
  kind->addWidget(male_);
  kind->addWidget(female_);
  static_cast<QFormLayout*>(blank->layout())->addRow(kind);
  for (const char* corner : {"X1", "Y1", "Z1", "X2", "Y2", "Z2"}) AddEdit(blank, corner, corner, DecimalKeys);
  AddEdit(blank, "Margin", "X and Y Margin", DecimalKeys);
  connect(Edit("Margin"), &QLineEdit::textEdited, this, [this] { ApplyMargin(); });

  QGroupBox* rough = group(column[1], "Roughing Parameters");
  AddFields(rough, "Rough", PassRows);
  AddEdit(rough, "RoughPlunge", "Plunge Rate", DecimalKeys);
  AddEdit(rough, "StockToLeave", "Stock To Leave", DecimalKeys);
  AddDirections(rough, "RoughDirection", "Roughing Direction", {"X", "Y"});
  AddFields(group(column[1], "Roughing Tool"), "Rough", ToolRows);

  QGroupBox* finish = group(column[2], "Finishing Parameters");
  AddFields(finish, "Finish", PassRows);
  AddDirections(finish, "FinishDirection", "Finishing Direction", {"X", "Y", "None"});
  AddFields(group(column[2], "FinishingTool"), "Finish", ToolRows);
  for (auto* c : column) c->addStretch(1);

  static_cast<QRadioButton*>(widgets_["RoughDirectionX"])->setChecked(true);
  static_cast<QRadioButton*>(widgets_["FinishDirectionY"])->setChecked(true);
  for (const char* prefix : {"Rough", "Finish"}) {
    const std::string p = prefix;
    connect(Edit(p + "Diameter"), &QLineEdit::textEdited, this,
            [this, prefix](const QString& t) { DiameterTyped(prefix, t); });
    connect(Box(p + "Type"), &QComboBox::currentIndexChanged, this, [this] { UpdateEnabling(); });
  }

  auto* buttons = new QDialogButtonBox;
  auto* machine = buttons->addButton("Machine", QDialogButtonBox::AcceptRole);
  machine->setObjectName("Run");
  buttons->addButton(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  top->addWidget(buttons);

  ConfigurationFields fields = FreshFields();
  configurations_->LoadLast(fields);
  SetFields(fields);
  configurations_->List()->setCurrentText("None");
}

QLineEdit* StlDialog::Edit(const std::string& name) const { return static_cast<QLineEdit*>(widgets_.at(name)); }
QComboBox* StlDialog::Box(const std::string& name) const { return static_cast<QComboBox*>(widgets_.at(name)); }

void StlDialog::AddEdit(QGroupBox* group, const std::string& name, const char* caption, const char* allowed) {
  auto* e = new QLineEdit("0");
  e->setObjectName(QString::fromStdString(name));
  if (allowed) e->setValidator(new QRegularExpressionValidator(QRegularExpression(allowed), e));
  e->setMinimumWidth(90);
  static_cast<QFormLayout*>(group->layout())->addRow(caption, e);
  widgets_[name] = e;
}

void StlDialog::AddBox(QGroupBox* group, const std::string& name, const char* caption, const QStringList& shown) {
  auto* b = new QComboBox;
  b->setObjectName(QString::fromStdString(name));
  b->addItems(shown);
  static_cast<QFormLayout*>(group->layout())->addRow(caption, b);
  widgets_[name] = b;
}

void StlDialog::AddFields(QGroupBox* group, const std::string& pass, std::span<const FieldRow> rows) {
  for (const FieldRow& r : rows)
    if (r.Choices) AddBox(group, pass + r.Suffix, r.Caption, *r.Choices);
    else AddEdit(group, pass + r.Suffix, r.Caption, r.Keys);
}

QGroupBox* StlDialog::AddDirections(QGroupBox* group, const char* prefix, const char* caption,
                                    const QStringList& choices) {
  auto* box = new QGroupBox(caption);
  auto* row = new QHBoxLayout(box);
  auto* exclusive = new QButtonGroup(box);
  for (const QString& c : choices) {
    auto* r = new QRadioButton(c);
    const std::string name = prefix + c.toStdString();
    r->setObjectName(QString::fromStdString(name));
    row->addWidget(r);
    exclusive->addButton(r);
    widgets_[name] = r;
    connect(r, &QRadioButton::toggled, this, [this] { UpdateEnabling(); });
  }
  static_cast<QFormLayout*>(group->layout())->addRow(box);
  return box;
}

void StlDialog::Prepare(const TTBPrototypeParameters& b, const TExtents& extents, double stepFraction) {
  extents_ = extents;
  stepFraction_ = stepFraction;
  const std::pair<const char*, double> corners[] = {{"X1", b.BlankX1}, {"Y1", b.BlankY1}, {"Z1", b.BlankZ1},
                                                    {"X2", b.BlankX2}, {"Y2", b.BlankY2}, {"Z2", b.BlankZ2}};
  for (const auto& [name, value] : corners) Edit(name)->setText(Formatted("%.2f", value));
  (b.Male ? male_ : female_)->setChecked(true);
}

void StlDialog::ModelOpened(const TExtents& extents) {
  extents_ = extents;
  Edit("Margin")->setText("0.0");
  ApplyMargin();
}

void StlDialog::ApplyMargin() {
  const QString text = Edit("Margin")->text();
  if (text.isEmpty()) return;
  TTBPrototypeParameters b;
  ApplyBlankMargin(extents_, FieldNumber(text.toStdString()), b);
  for (auto [name, value] : {std::pair{"X1", b.BlankX1}, std::pair{"X2", b.BlankX2}, std::pair{"Y1", b.BlankY1},
                             std::pair{"Y2", b.BlankY2}})
    Edit(name)->setText(Formatted("%.2f", value));
}

// The roughing diameter sets the roughing steps, the stock to leave (a
// quarter of it) and the finishing diameter, which in turn sets the
// finishing steps.
void StlDialog::DiameterTyped(const char* prefix, const QString& text) {
  const std::string p = prefix;
  const double dia = FieldNumber(text.toStdString());
  const QString step = Formatted("%.4f", dia * stepFraction_);
  Edit(p + "StepXY")->setText(step);
  Edit(p + "StepY")->setText(step);
  if (p != "Rough") return;
  Edit("StockToLeave")->setText(Formatted("%.2f", dia / 4));
  Edit("FinishDiameter")->setText(text);
  DiameterTyped("Finish", text);
}

void StlDialog::UpdateEnabling() {
  const bool finishing = !static_cast<QRadioButton*>(widgets_.at("FinishDirectionNone"))->isChecked();
  for (const char* name : FinishingFields) widgets_.at(name)->setEnabled(finishing);
  for (const char* prefix : {"Rough", "Finish"}) {
    const std::string p = prefix;
    const bool v = Box(p + "Type")->currentIndex() == VCutterIndex;
    QLineEdit* angle = Edit(p + "Angle");
    if (!v) angle->setText("0");
    angle->setEnabled(v && (p == "Rough" || finishing));
  }
}

ConfigurationFields StlDialog::Fields() const {
  ConfigurationFields f;
  for (const auto& k : ConfigurationKeys(OperationDialog::Prototype)) {
    QWidget* w = widgets_.at(k.Key);
    if (auto* e = qobject_cast<QLineEdit*>(w)) f[k.Key] = e->text().toStdString();
    // Tool numbers, shapes and coolant are saved as shown, the shapes by
    // their index.
    else if (auto* b = qobject_cast<QComboBox*>(w))
      f[k.Key] = std::string(k.Key).ends_with("Type") ? std::to_string(b->currentIndex()) : b->currentText().toStdString();
  }
  return f;
}

void StlDialog::SetFields(const ConfigurationFields& fields) {
  for (const auto& [key, value] : fields) {
    const auto it = widgets_.find(key);
    if (it == widgets_.end()) continue;
    const QString v = QString::fromStdString(value);
    if (auto* e = qobject_cast<QLineEdit*>(it->second)) {
      e->setText(v);
    } else if (auto* b = qobject_cast<QComboBox*>(it->second)) {
      const int index = key.ends_with("Type") ? static_cast<int>(FieldNumber(value)) : b->findText(v);
      b->setCurrentIndex(index >= 0 && index < b->count() ? index : 0);
    }
  }
  // The file keeps one step for X and Y.
  for (auto [step, y] : {std::pair{"RoughStepXY", "RoughStepY"}, std::pair{"FinishStepXY", "FinishStepY"}})
    if (fields.count(step)) Edit(y)->setText(Edit(step)->text());
  UpdateEnabling();
}

PrototypeDialogValues StlDialog::Values() const {
  PrototypeDialogValues v;
  auto number = [this](const char* name) { return FieldNumber(Edit(name)->text().toStdString()); };
  v.Blank.BlankX1 = number("X1"), v.Blank.BlankY1 = number("Y1"), v.Blank.BlankZ1 = number("Z1");
  v.Blank.BlankX2 = number("X2"), v.Blank.BlankY2 = number("Y2"), v.Blank.BlankZ2 = number("Z2");
  v.Blank.Male = male_->isChecked() ? 1 : 0;
  v.RoughStepY = Edit("RoughStepY")->text().toStdString();
  v.FinishStepY = Edit("FinishStepY")->text().toStdString();
  auto checked = [this](const std::string& name) { return static_cast<QRadioButton*>(widgets_.at(name))->isChecked(); };
  v.RoughDirection = checked("RoughDirectionY") ? 2 : 1;
  v.FinishDirection = checked("FinishDirectionX") ? 1 : checked("FinishDirectionY") ? 2 : 0;
  return v;
}

}  // namespace tibrel
