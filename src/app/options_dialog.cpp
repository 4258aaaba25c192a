#include "app/options_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/painter.h"
#include "app/text_options_page.h"
#include "app/stl_options_page.h"
#include "core/ini.h"
#include "core/numbers.h"

namespace tibrel {

namespace {

QLineEdit* Field(const QString& text, const char* allowed) {
  auto* e = new QLineEdit(text);
  e->setValidator(new QRegularExpressionValidator(QRegularExpression(allowed), e));
  return e;
}

QString Text(double v, const char* format = "%g") { return QString::fromStdString(FormatNumber(format, v)); }

}  // namespace

OptionsDialog::OptionsDialog(const TTBSettings& settings, const std::vector<std::string>& posts,
                             const std::string& optionsPath, std::function<void(const TTBSettings&)> apply,
                             std::function<void(const std::string&)> choosePost, QWidget* parent)
    : QDialog(parent), s_(settings), path_(optionsPath), apply_(std::move(apply)) {
  setWindowTitle("Tibrel Options");
  auto* top = new QVBoxLayout(this);
  auto* tabs = new QTabWidget;
  top->addWidget(tabs);

  // General
  auto* general = new QWidget;
  auto* g = new QFormLayout(general);
  auto* post = new QComboBox;
  post->setObjectName("Post");
  for (const auto& name : posts) post->addItem(QString::fromStdString(name));
  post->setCurrentText(QString::fromStdString(s_.Options.Post));
  connect(post, &QComboBox::currentTextChanged, this, [this, choosePost](const QString& t) {
    s_.Options.Post = t.toStdString();
    choosePost(s_.Options.Post);
    Changed();
  });
  g->addRow("Post Processor", post);
  auto* dir = new QComboBox;
  dir->addItems({"CCW", "CW"});
  dir->setCurrentIndex(s_.Options.Dir ? 1 : 0);
  connect(dir, &QComboBox::currentIndexChanged, this, [this](int i) { s_.Options.Dir = i == 1, Changed(); });
  g->addRow("Default Direction", dir);
  auto* pocketDir = new QComboBox;
  pocketDir->addItems({"Out/In", "In/Out"});
  pocketDir->setCurrentIndex(s_.Options.PocketDir ? 1 : 0);
  connect(pocketDir, &QComboBox::currentIndexChanged, this, [this](int i) { s_.Options.PocketDir = i == 1, Changed(); });
  g->addRow("Pocketing Direction", pocketDir);
  auto* overlap = Field(Text(std::round(s_.Options.Overlap * 100), "%.0f"), "[0-9]*");
  overlap->setObjectName("Overlap");
  connect(overlap, &QLineEdit::textEdited, this, [this](const QString& t) {
    s_.Options.Overlap = ToNumber(t.toStdString()) / 100;
    Changed();
  });
  g->addRow("Tool Overlap Percent", overlap);
  auto* units = new QComboBox;
  units->setObjectName("DefaultUnits");
  units->addItems({UnitsName(Units::Millimetre), UnitsName(Units::Inch)});
  units->setCurrentIndex(s_.Options.DefaultUnits == Units::Inch ? 1 : 0);
  connect(units, &QComboBox::currentIndexChanged, this, [this](int i) {
    s_.Options.DefaultUnits = i == 1 ? Units::Inch : Units::Millimetre;
    Changed();
  });
  g->addRow("Units of drawings without units", units);
  for (auto [caption, flag] : {std::pair{"Trace Contour of Islands When Tops are to be Finished", &s_.Options.Trace},
                               std::pair{"Try to correct bad DXF geometry", &s_.Options.Fix},
                               std::pair{"Avoid cutting air during Roughing", &s_.Options.Air}}) {
    auto* box = new QCheckBox(caption);
    box->setChecked(*flag);
    connect(box, &QCheckBox::toggled, this, [this, flag = flag](bool on) { *flag = on, Changed(); });
    g->addRow(box);
  }
  tabs->addTab(general, "General");

  // Colors
  auto* colours = new QWidget;
  auto* c = new QFormLayout(colours);
  const std::pair<const char*, int32_t*> entries[] = {
      {"Selected  Closed Boundaries", &s_.View.SelectedClosed}, {"Selected Islands", &s_.View.SelectedIsland},
      {"Selected Open Boundaries", &s_.View.SelectedOpen},       {"Roughing Toolpaths", &s_.View.RoughToolpath},
      {"Finish Toolpaths", &s_.View.FinishToolpath},             {"UnSelected Open Regions", &s_.View.UnselectedOpen},
      {"UnSelected  Closed Regions", &s_.View.UnselectedClosed}, {"Background", &s_.View.Background}};
  for (const auto& [caption, value] : entries) {
    auto* button = new QPushButton;
    button->setFixedWidth(60);
    auto paint = [button, value = value] {
      button->setStyleSheet(QString("background-color: %1").arg(ColourOf(*value).name()));
    };
    paint();
    connect(button, &QPushButton::clicked, this, [this, value = value, paint] {
      const QColor chosen = QColorDialog::getColor(ColourOf(*value), this);
      if (!chosen.isValid()) return;
      *value = chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16);
      paint();
      Changed();
    });
    c->addRow(caption, button);
  }
  auto* boundaries = new QCheckBox("Show Boundaries When Drawing Toolpaths");
  boundaries->setChecked(s_.View.ShowBoundaries);
  connect(boundaries, &QCheckBox::toggled, this, [this](bool on) { s_.View.ShowBoundaries = on, Changed(); });
  c->addRow(boundaries);
  auto* marks = new QComboBox;
  marks->addItems({"First Entity Only", "All Entities"});
  marks->setCurrentIndex(s_.View.AllDirections ? 1 : 0);
  connect(marks, &QComboBox::currentIndexChanged, this, [this](int i) { s_.View.AllDirections = i == 1, Changed(); });
  c->addRow("Mark Direction of ", marks);
  auto* grid = Field(Text(s_.View.GridSize, "%.2f"), "[0-9.,]*");
  connect(grid, &QLineEdit::textEdited, this, [this](const QString& t) {
    s_.View.GridSize = ToNumber(t.toStdString());
    Changed();
  });
  c->addRow("Grid Size", grid);
  tabs->addTab(colours, "Colors");

  // Tolerances
  auto* tol = new QWidget;
  auto* t = new QFormLayout(tol);
  for (auto [group, rec] : {std::pair{"Rough", &s_.Rough}, std::pair{"Finish", &s_.Finish}})
    for (auto [caption, value] : {std::pair{"Min Arc Length", &rec->MinArcLength},
                                  std::pair{"Tan Deviance", &rec->TanDeviance},
                                  std::pair{"Min Arc Radius", &rec->MinArcRadius}}) {
      auto* e = Field(Text(*value), "[0-9.,]*");
      e->setObjectName(QString(group) + caption);
      connect(e, &QLineEdit::textEdited, this, [this, value = value](const QString& text) {
        *value = ToNumber(text.toStdString());
        Changed();
      });
      t->addRow(QString(group) + " " + caption, e);
    }
  // How closely ellipses and splines of a drawing are followed by arcs; it
  // takes effect with the next drawing opened.
  auto* curve = Field(Text(s_.Options.CurveTolerance), "[0-9.,]*");
  curve->setObjectName("CurveTolerance");
  connect(curve, &QLineEdit::textEdited, this, [this](const QString& text) {
    const double v = ToNumber(text.toStdString());
    s_.Options.CurveTolerance = v > 0 ? v : DefaultCurveTolerance;
    Changed();
  });
  t->addRow("Curve Tolerance", curve);
  tabs->addTab(tol, "Tolerences");
  tabs->addTab(TextOptionsPage(s_.Options, [this] { Changed(); }), "Text");
  tabs->addTab(StlOptionsPage(s_.Options, [this] { Changed(); }), "STL");

  auto* buttons = new QDialogButtonBox;
  QPushButton* save = buttons->addButton("Save", QDialogButtonBox::AcceptRole);
  save->setObjectName("Save");
  buttons->addButton("Close", QDialogButtonBox::RejectRole);
  connect(save, &QPushButton::clicked, this, [this] {
    try {
      IniFile file = IniFile::Load(path_);
      WriteOptions(file, s_);
      file.Save(path_);
    } catch (const std::exception& e) {
      QMessageBox::warning(this, windowTitle(), e.what());
      return;
    }
    QMessageBox::information(this, windowTitle(), "Options Saved!");
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  top->addWidget(buttons);
}

}  // namespace tibrel
