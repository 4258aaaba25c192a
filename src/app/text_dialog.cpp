#include "app/text_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "app/view_widget.h"
#include "core/numbers.h"
#include "geometry/transform.h"
#include "job/add_text.h"

namespace tibrel {

namespace {

// The number fields take digits, "-", "." and "," only.
QLineEdit* NumberField(const QString& name, const QString& text) {
  auto* e = new QLineEdit(text);
  e->setObjectName(name);
  e->setValidator(new QRegularExpressionValidator(QRegularExpression("[-0-9.,]*"), e));
  return e;
}

QRadioButton* Radio(const QString& caption, const QString& name, QButtonGroup* group, QLayout* into) {
  auto* r = new QRadioButton(caption);
  r->setObjectName(name);
  group->addButton(r);
  into->addWidget(r);
  return r;
}

double Number(const QLineEdit* e) { return ToNumber(e->text().toStdString()); }

QString Fixed(double v) { return QString::fromStdString(FormatNumber("%.4f", v)); }

}  // namespace

TextDialog::TextDialog(Job& job, ViewWidget* view, std::function<void(const CommandResult&)> told, QWidget* parent)
    : QDialog(parent), job_(job), view_(view), told_(std::move(told)) {
  setObjectName("TfrmText1");
  setWindowTitle("True Type Fonts");
  setModal(false);
  auto* top = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  top->addLayout(form);
  text_ = new QLineEdit;
  text_->setObjectName("Text");
  form->addRow("Text", text_);
  font_ = new QLabel;
  font_->setObjectName("Font");
  auto* chooseFont = new QPushButton("...");
  chooseFont->setObjectName("ChooseFont");
  auto* fontRow = new QHBoxLayout;
  fontRow->addWidget(font_, 1);
  fontRow->addWidget(chooseFont);
  form->addRow("Font", fontRow);
  // The font chooser's face, bold and italic go into the options.
  connect(chooseFont, &QPushButton::clicked, this, [this] {
    QFont initial(QString::fromStdString(job_.Options.Font));
    initial.setBold(job_.Options.FontBold);
    initial.setItalic(job_.Options.FontItalic);
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, this, "Font");
    if (!ok) return;
    job_.Options.Font = f.family().toStdString();
    job_.Options.FontBold = f.bold();
    job_.Options.FontItalic = f.italic();
    font_->setText(FaceText());
    UpdatePreview();
  });
  height_ = NumberField("Height", "1");
  form->addRow("Height", height_);

  auto* placement = new QHBoxLayout;
  auto* placementGroup = new QButtonGroup(this);
  linear_ = Radio("Linear", "Linear", placementGroup, placement);
  arc_ = Radio("Arc", "Arc", placementGroup, placement);
  linear_->setChecked(true);
  form->addRow(placement);
  x_ = NumberField("X", "");
  y_ = NumberField("Y", "");
  xLabel_ = new QLabel("Origin X");
  yLabel_ = new QLabel("Origin Y");
  form->addRow(xLabel_, x_);
  form->addRow(yLabel_, y_);
  auto* align = new QHBoxLayout;
  auto* alignGroup = new QButtonGroup(this);
  left_ = Radio("Left", "Left", alignGroup, align);
  centre_ = Radio("Cent", "Cent", alignGroup, align);
  right_ = Radio("Right", "Right", alignGroup, align);
  left_->setChecked(true);
  form->addRow(align);
  angle_ = NumberField("Angle", "0");
  radius_ = NumberField("Rad", "0");
  form->addRow("Angle", angle_);
  form->addRow("Rad", radius_);

  auto* how = new QHBoxLayout;
  auto* howGroup = new QButtonGroup(this);
  byPoint_ = Radio("By Point", "ByPoint", howGroup, how);
  enterBelow_ = Radio("Enter Below", "EnterBelow", howGroup, how);
  byPoint_->setChecked(true);
  form->addRow(how);
  centreX_ = new QCheckBox("Center X of Selected");
  centreX_->setObjectName("CenterX");
  centreY_ = new QCheckBox("Center Y of Selected");
  centreY_->setObjectName("CenterY");
  form->addRow(centreX_);
  form->addRow(centreY_);

  auto* buttons = new QHBoxLayout;
  auto* add = new QPushButton("Add");
  add->setObjectName("btnAddText");
  auto* cancel = new QPushButton("Cancel");
  cancel->setObjectName("btnCancel");
  buttons->addWidget(add);
  buttons->addWidget(cancel);
  top->addLayout(buttons);

  connect(add, &QPushButton::clicked, this, &TextDialog::Add);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  for (QRadioButton* r : {linear_, arc_, byPoint_, enterBelow_})
    connect(r, &QRadioButton::toggled, this, [this](bool on) {
      if (on) Arrange();
    });
  for (QLineEdit* e : {text_, height_, x_, y_, angle_, radius_})
    connect(e, &QLineEdit::textChanged, this, &TextDialog::UpdatePreview);
  for (QRadioButton* r : {left_, centre_, right_}) connect(r, &QRadioButton::toggled, this, &TextDialog::UpdatePreview);
  connect(centreX_, &QCheckBox::toggled, this, [this](bool on) { CentreOfSelected(true, on); });
  connect(centreY_, &QCheckBox::toggled, this, [this](bool on) { CentreOfSelected(false, on); });
  Arrange();
}

QString TextDialog::FaceText() {
  LoadTextConverter(converter_, job_.Options);
  const FaceMatch& face = converter_.Face();
  QString text = QString::fromStdString(job_.Options.Font);
  if (face.Usable) text += " (" + QString::fromStdString(face.Family + " " + face.Style) + ")";
  return text;
}

void TextDialog::Arrange() {
  const bool arc = arc_->isChecked(), typed = enterBelow_->isChecked();
  xLabel_->setText(arc ? "Center X" : "Origin X");
  yLabel_->setText(arc ? "Center Y" : "Origin Y");
  angle_->setEnabled(arc);
  radius_->setEnabled(arc);
  if (isVisible()) job_.CommandMode = typed ? ModeTextPlacement2 : ModeTextPlacement;
  x_->setEnabled(typed && !centreX_->isChecked());
  y_->setEnabled(typed && !centreY_->isChecked());
  const bool selection = typed && SelectionBox(job_.Regions).has_value();
  centreX_->setEnabled(selection);
  centreY_->setEnabled(selection);
  UpdatePreview();
}

std::optional<TextPlacement> TextDialog::Placement(bool forAdd) const {
  const bool lenient = forAdd && linear_->isChecked();
  if (text_->text().isEmpty() ||
      (!lenient && (height_->text().isEmpty() || x_->text().isEmpty() || y_->text().isEmpty())))
    return std::nullopt;
  TextPlacement p;
  p.Text = text_->text().toStdString();
  p.Height = Number(height_);
  p.X = Number(x_), p.Y = Number(y_);
  p.Align = centre_->isChecked() ? TextAlign::Centre : right_->isChecked() ? TextAlign::Right : TextAlign::Left;
  p.OnArc = arc_->isChecked();
  if (p.OnArc) {
    if (radius_->text().isEmpty()) return std::nullopt;
    p.Radius = Number(radius_);
    p.AngleDegrees = Number(angle_);
  }
  return p;
}

void TextDialog::UpdatePreview() {
  if (!view_) return;
  const std::optional<TextPlacement> p = Placement();
  if (!p || !isVisible()) {
    view_->decoration = nullptr;
  } else {
    LoadTextConverter(converter_, job_.Options);
    const TextBox b = TextPreviewBox(*p, converter_);
    view_->decoration = [b](QPainter& painter, const ViewState& v) {
      const ScreenPoint a = Project(v, b.XMin, b.YMin, 0), c = Project(v, b.XMax, b.YMax, 0);
      painter.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(QRectF(QPointF(a.X, a.Y), QPointF(c.X, c.Y)).normalized());
    };
  }
  view_->update();
}

void TextDialog::CentreOfSelected(bool xField, bool on) {
  QLineEdit* field = xField ? x_ : y_;
  field->setEnabled(!on && enterBelow_->isChecked());
  if (!on) return;
  const std::optional<Box> box = SelectionBox(job_.Regions);
  if (!box) return;
  TextPlacement p;
  p.Text = text_->text().toStdString();
  p.Height = Number(height_);
  LoadTextConverter(converter_, job_.Options);
  if (xField)
    field->setText(Fixed((box->XMax - box->XMin) / 2 + box->XMin - TextWidth(p, converter_) / 2));
  else
    field->setText(Fixed((box->YMax - box->YMin) / 2 + box->YMin - p.Height / 2));
}

void TextDialog::Follow(double x, double y) {
  if (!byPoint_->isChecked()) return;
  x_->setText(Fixed(x));
  y_->setText(Fixed(y));
}

void TextDialog::Place(double x, double y) {
  Follow(x, y);
  Add();
}

void TextDialog::Add() {
  if (text_->text().isEmpty()) {
    told_({"", NoTextMessage, false});
    return;
  }
  const std::optional<TextPlacement> p = Placement(true);
  if (!p) return;  // an arc with a missing field: nothing, without a word
  told_(AddText(job_, *p, converter_));
}

void TextDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  font_->setText(FaceText());
  job_.CancelRequested = 0;
  Arrange();
}

void TextDialog::hideEvent(QHideEvent* e) {
  QDialog::hideEvent(e);
  if (job_.CommandMode == ModeTextPlacement || job_.CommandMode == ModeTextPlacement2) job_.CommandMode = ModeIdle;
  if (view_) {
    view_->decoration = nullptr;
    view_->update();
  }
}

}  // namespace tibrel
