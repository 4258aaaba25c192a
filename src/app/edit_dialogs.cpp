#include "app/edit_dialogs.h"

#include <cmath>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/painter.h"
#include "core/numbers.h"
#include "view/view.h"
#include "job/commands.h"
#include "job/mesh_commands.h"

namespace tibrel {

namespace {

// The keys the Move, Scale and Rotate fields take: digits, either decimal
// mark and the minus sign.
constexpr const char* SignedKeys = "[-0-9.,]*";

QLineEdit* NumberField(const QString& text, const char* allowed, const char* name) {
  auto* e = new QLineEdit(text);
  e->setObjectName(name);
  e->setValidator(new QRegularExpressionValidator(QRegularExpression(allowed), e));
  return e;
}

// The read-only group that both Move, Scale and Rotate dialogs open with:
// one label per caption, in order.
QGroupBox* ShownValues(const char* title, std::initializer_list<const char*> captions, QLabel** labels) {
  auto* group = new QGroupBox(title);
  auto* form = new QFormLayout(group);
  for (const char* caption : captions) {
    *labels = new QLabel;
    form->addRow(caption, *labels++);
  }
  return group;
}

// The entries both Move, Scale and Rotate dialogs start with: the new
// lower-left corner and the scale factor.
QFormLayout* PlacementEntries(QGroupBox* group, const QString& scale, QLineEdit*& x, QLineEdit*& y,
                              QLineEdit*& factor) {
  auto* form = new QFormLayout(group);
  x = NumberField("0", SignedKeys, "CornerX");
  y = NumberField("0", SignedKeys, "CornerY");
  factor = NumberField(scale, SignedKeys, "Scale");
  form->addRow("Bottom Left X", x);
  form->addRow("Bottom Left Y", y);
  form->addRow("Scale Factor", factor);
  return form;
}

QDialogButtonBox* ApplyCancel(QDialog* d, std::function<void()> apply) {
  auto* buttons = new QDialogButtonBox;
  QPushButton* a = buttons->addButton("Apply", QDialogButtonBox::ApplyRole);
  a->setObjectName("Apply");
  buttons->addButton(QDialogButtonBox::Cancel);
  QObject::connect(a, &QPushButton::clicked, d, apply);
  QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
  return buttons;
}

}  // namespace

MachiningOrderDialog::MachiningOrderDialog(int lastIndex, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Machining Order");
  auto* form = new QFormLayout(this);
  start_ = new QSpinBox;
  start_->setObjectName("StartAt");
  start_->setRange(1, std::max(1, lastIndex));
  start_->setValue(1);
  form->addRow(QString("Start At (1 - %1)").arg(lastIndex), start_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
  start_->installEventFilter(this);
}

int MachiningOrderDialog::StartAt() const { return start_->value(); }

bool MachiningOrderDialog::eventFilter(QObject* watched, QEvent* e) {
  if (watched == start_ && e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Space) {
    start_->interpretText();
    accept();
    return true;
  }
  return QDialog::eventFilter(watched, e);
}

AddDepthsDialog::AddDepthsDialog(Job& job, EditReport report, QWidget* parent)
    : QDialog(parent), job_(job), report_(std::move(report)) {
  setWindowTitle("Add Depths");
  setModal(false);
  auto* top = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  depth_ = NumberField("0", "[0-9.,]*", "Depth");
  form->addRow("Depth", depth_);
  top->addLayout(form);
  auto* group = new QGroupBox("Apply to selected");
  auto* g = new QVBoxLayout(group);
  boundaries_ = new QRadioButton("Boundaries");
  islands_ = new QRadioButton("Islands");
  single_ = new QRadioButton("Single Region");
  boundaries_->setChecked(true);
  for (auto* r : {boundaries_, islands_, single_}) g->addWidget(r);
  region_ = NumberField("1", "[0-9]*", "Region");
  region_->setEnabled(false);
  g->addWidget(region_);
  connect(single_, &QRadioButton::toggled, region_, &QWidget::setEnabled);
  top->addWidget(group);
  top->addWidget(ApplyCancel(this, [this] {
    const DepthTarget target = single_->isChecked() ? DepthTarget::SingleRegion
                               : islands_->isChecked() ? DepthTarget::Islands
                                                       : DepthTarget::Boundaries;
    const CommandResult r = ApplyDepths(job_, depth_->text().toStdString(), target, region_->text().toStdString());
    report_(r.Status, r.Message);
  }));
}

AddWallsDialog::AddWallsDialog(Job& job, EditReport report, QWidget* parent)
    : QDialog(parent), job_(job), report_(std::move(report)) {
  setWindowTitle("Add Walls");
  auto* top = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  region_ = new QComboBox;
  region_->setObjectName("Region");
  for (size_t i = 1; i < job.Regions.size(); ++i) region_->addItem(QString::number(i));
  profile_ = new QComboBox;
  profile_->setObjectName("Profile");
  for (size_t i = 1; i < job.Profiles.size(); ++i) profile_->addItem(QString::number(i));
  delta_ = NumberField("0", "[0-9.-]*", "Delta");
  form->addRow("Region", region_);
  form->addRow("Profile", profile_);
  form->addRow("Delta", delta_);
  top->addLayout(form);
  preview_ = new QLabel;
  preview_->setFixedSize(160, 120);
  preview_->setFrameShape(QFrame::Box);
  top->addWidget(preview_);
  // Enter on a negative value and "-" fill the field from the depths.
  connect(delta_, &QLineEdit::returnPressed, this, [this] {
    if (region_->currentText().isEmpty()) return;
    delta_->setText(QString::fromStdString(
        WallDeltaOnEnter(job_, region_->currentText().toULong(), delta_->text().toStdString())));
  });
  connect(delta_, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (t.endsWith('-') && !region_->currentText().isEmpty())
      delta_->setText(QString::fromStdString(WallDeltaOnMinus(job_, region_->currentText().toULong())));
  });
  connect(region_, &QComboBox::currentIndexChanged, this, [this] { ShowRegion(); });
  connect(profile_, &QComboBox::currentIndexChanged, this, [this] {
    const size_t p = profile_->currentText().toULong();
    if (p < 1 || p >= job_.Profiles.size()) return;
    Job shown;
    shown.Regions.push_back(job_.Profiles[p]);
    ViewState v;
    v.Width = preview_->width(), v.Height = preview_->height();
    FitWindow(v, RegionExtents(shown.Regions), 8, 8);
    preview_->setPixmap(QPixmap::fromImage(RenderJob(shown, v, DisplaySettings{})));
  });
  top->addWidget(ApplyCancel(this, [this] {
    const CommandResult r = ApplyWall(job_, region_->currentText().toStdString(), profile_->currentText().toStdString(),
                                      delta_->text().toStdString());
    report_(r.Status, r.Message);
  }));
  ShowRegion();
  emit profile_->currentIndexChanged(profile_->currentIndex());
}

void AddWallsDialog::ShowRegion() {
  const size_t k = region_->currentText().toULong();
  if (k < 1 || k >= job_.Regions.size()) return;
  const TTBRegion& r = job_.Regions[k];
  if (r.WallProfile >= 1) profile_->setCurrentText(QString::number(r.WallProfile));
  // A region without a wall shows the field's default.
  delta_->setText(r.WallDelta == 0 ? QString("0") : QString::fromStdString(FormatNumber("%.4f", r.WallDelta)));
}

MoveScaleRotateDialog::MoveScaleRotateDialog(Job& job, EditReport report, QWidget* parent)
    : QDialog(parent), job_(job), report_(std::move(report)) {
  setWindowTitle("Move, Scale, and Rotate ");
  setModal(false);
  auto* top = new QVBoxLayout(this);
  top->addWidget(ShownValues(
      "Selection Parameters",
      {"Bottom Left X", "Bottem Left Y", "Center X", "Center Y", "Top Right X", "Top Right Y"}, shown_));
  auto* enter = new QGroupBox("Enter New Parameters");
  angle_ = NumberField("0", SignedKeys, "Angle");
  PlacementEntries(enter, "0", cornerX_, cornerY_, scale_)->addRow("Rotation Angle", angle_);
  top->addWidget(enter);
  top->addWidget(ApplyCancel(this, [this] {
    const auto box = ApplyMoveScaleRotate(job_, state_, ToNumber(cornerX_->text().toStdString()),
                                          ToNumber(cornerY_->text().toStdString()),
                                          ToNumber(scale_->text().toStdString()), ToNumber(angle_->text().toStdString()));
    if (box) Show(*box);
    report_("", "");
  }));
  if (const auto box = BeginMoveScaleRotate(job_, state_)) Show(*box);
}

void MoveScaleRotateDialog::Show(const Box& b) {
  const double values[6] = {b.XMin, b.YMin, (b.XMax - b.XMin) / 2 + b.XMin, (b.YMax - b.YMin) / 2 + b.YMin,
                            b.XMax, b.YMax};
  for (int k = 0; k < 6; ++k) shown_[k]->setText(QString::fromStdString(FormatNumber("%.4f", values[k])));
  cornerX_->setText(QString::fromStdString(FormatNumber("%.4f", b.XMin)));
  cornerY_->setText(QString::fromStdString(FormatNumber("%.4f", b.YMin)));
}

namespace {

// The position fields are read strictly: what is not a number stops Apply
// with the text named, before anything moves.
bool StrictNumber(const QLineEdit* e, double& v, std::string& problem) {
  QString t = e->text().trimmed();
  t.replace(',', '.');
  bool ok = false;
  v = t.toDouble(&ok);
  if (ok && std::isfinite(v)) return true;
  problem = "'" + e->text().toStdString() + "' is not a valid floating point value";
  return false;
}

}  // namespace

StlMoveDialog::StlMoveDialog(Job& job, EditReport report, QWidget* parent)
    : QDialog(parent), job_(job), report_(std::move(report)) {
  setWindowTitle("Move, Scale and Rotate");
  setModal(false);
  auto* top = new QVBoxLayout(this);
  top->addWidget(
      ShownValues("Current Parameters", {"Bottom Left X", "Bottem Left Y", "Center X", "Center Y", "Top (Z Max)"}, shown_));
  auto* enter = new QGroupBox("Enter New Parameters");
  top_ = NumberField("", SignedKeys, "Top");
  PlacementEntries(enter, "0.000", cornerX_, cornerY_, scale_)->addRow("Top", top_);
  top->addWidget(enter);
  auto* turn = new QGroupBox("Rotation");
  auto* rf = new QFormLayout(turn);
  axis_ = new QComboBox;
  axis_->setObjectName("Axis");
  axis_->addItems({"X", "Y", "Z"});
  axis_->setCurrentIndex(2);
  angle_ = NumberField("", SignedKeys, "Rotation");
  rf->addRow("Rotation Axis", axis_);
  rf->addRow("Rotation", angle_);
  top->addWidget(turn);
  top->addWidget(ApplyCancel(this, [this] {
    double left = 0, bottom = 0, height = 0;
    std::string problem;
    if (!StrictNumber(cornerX_, left, problem) || !StrictNumber(cornerY_, bottom, problem) ||
        !StrictNumber(top_, height, problem)) {
      report_("", problem);
      return;
    }
    MoveJobModel(job_, ToNumber(scale_->text().toStdString()), axis_->currentIndex(),
                 ToNumber(angle_->text().toStdString()), left, bottom, height);
    Refresh();
    report_("", "");
  }));
  Refresh();
}

void StlMoveDialog::Refresh() {
  const TExtents& e = job_.DrawingExtents;
  const double values[5] = {e.XMin, e.YMin, (e.XMax - e.XMin) / 2 + e.XMin, (e.YMax - e.YMin) / 2 + e.YMin, e.ZMax};
  for (int k = 0; k < 5; ++k) shown_[k]->setText(QString::fromStdString(FormatNumber("%.3f", values[k])));
  cornerX_->setText(QString::fromStdString(FormatNumber("%.3f", e.XMin)));
  cornerY_->setText(QString::fromStdString(FormatNumber("%.3f", e.YMin)));
  scale_->setText("0.000");
  // The top keeps what was typed last; the first time it is the model's.
  if (top_->text().isEmpty()) top_->setText(QString::fromStdString(FormatNumber("%.3f", e.ZMax)));
}

}  // namespace tibrel
