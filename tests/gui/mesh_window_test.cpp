// STL models in the window, offscreen: Open of binary and ASCII files by
// their extension, the drawing commands off while a model is the job, the
// "Stl Machining" dialog's captions and field rules, Machine refused for a
// missing feed, a whole Prototype run whose saved program the 3D cutter
// model accepts, Flip Model and Move, Scale and Rotate, Close, and Esc
// during a run.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest/QtTest>
#include <memory>

#include "app/edit_dialogs.h"
#include "app/main_window.h"
#include "app/stl_dialog.h"
#include "app/text_dialog.h"
#include "app/view_widget.h"
#include "core/files.h"
#include "core/ini.h"
#include "core/program_folder.h"
#include "modal.h"
#include "screenshots.h"
#include "test_program_folder.h"
#include "unit/cutter_mesh.h"
#include "unit/mesh_builders.h"
#include "view/view.h"

using namespace tibrel;

namespace {

// Sets the dialog's fields and presses Machine; then reads the message box
// that follows, when message is given.
void Machine(const std::map<QString, QString>& fields, QString* message = nullptr,
             std::function<void(QWidget*)> more = {}) {
  OnModal([=](QWidget* d) {
    for (const auto& [name, value] : fields) {
      auto* e = d->findChild<QLineEdit*>(name);
      QVERIFY2(e, qPrintable(name));
      e->setText(value);
    }
    if (more) more(d);
    d->findChild<QPushButton*>("Run")->click();
    if (message) ReadMessage(*message);
  });
}

QString WriteModel(const QString& dir, const QString& name, const std::string& bytes) {
  const QString path = dir + "/" + name;
  WriteFileAtomically(path.toStdString(), bytes);
  return path;
}

// A square pyramid, base 30 x 30 at (5, 5), apex 15 above it at (20, 20).
testmesh::Facets PyramidModel() { return testmesh::Pyramid(5, 5, 30, 15); }

// Fields that machine the pyramid quickly: a 6 mm ball roughing in two
// layers with 0.5 left, a 4 mm ball finishing along Y.
const std::map<QString, QString> RunFields = {
    {"RoughDiameter", "6"}, {"RoughStepXY", "1"},     {"RoughStepY", "1"},       {"RoughStepZ", "10"},
    {"RoughFeed", "800"},   {"RoughPlunge", "200"},   {"RoughRPM", "12000"},     {"StockToLeave", "0.5"},
    {"RapidHeight", "3"},   {"FinishDiameter", "4"},  {"FinishStepXY", "0.5"},   {"FinishStepY", "0.5"},
    {"FinishStepZ", "30"},  {"FinishFeed", "1000"},   {"FinishRPM", "15000"}};

void ChooseBall(QWidget* d) {
  d->findChild<QComboBox*>("RoughType")->setCurrentIndex(1);
  d->findChild<QComboBox*>("FinishType")->setCurrentIndex(1);
  d->findChild<QComboBox*>("RoughTool")->setCurrentIndex(1);
  d->findChild<QComboBox*>("FinishTool")->setCurrentIndex(2);
}

bool MenuShown(MainWindow& w, const QString& title, const QString& item) {
  for (QAction* m : w.menuBar()->actions())
    if (m->menu() && m->text() == title && m->isVisible())
      for (QAction* a : m->menu()->actions())
        if (a->text().remove('&') == item) return true;
  return false;
}

// The corners of the box projected into the view lie inside the drawing area.
bool FitsTheView(MainWindow& w, const TExtents& e) {
  const ViewState& v = w.View()->State();
  for (double x : {e.XMin, e.XMax})
    for (double y : {e.YMin, e.YMax})
      for (double z : {e.ZMin, e.ZMax}) {
        const ScreenPoint p = Project(v, x, y, z);
        if (p.X < -0.5 || p.Y < -0.5 || p.X > v.Width + 0.5 || p.Y > v.Height + 0.5) return false;
      }
  return true;
}

}  // namespace

class MeshWindowTest : public QObject {
  Q_OBJECT
 private slots:
  // Every test runs beside settings of its own, never the built program's.
  void init() {
    folder_ = std::make_unique<TestProgramFolder>();
    QVERIFY(folder_->IsValid());
  }
  void cleanup() { folder_.reset(); }

  void openModel_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("binary");
    QTest::newRow("binary") << "pyramid.stl" << true;
    QTest::newRow("ascii, upper-case extension") << "pyramid.STL" << false;
    QTest::newRow("binary, mixed-case extension") << "pyramid.Stl" << true;
  }
  // The model replaces the drawing: its top is placed STLDepth below the
  // stock top, the blank is its box, the drawing commands are off and the
  // mesh Edit menu takes the drawing's place; the view shows it whole in 3D.
  void openModel() {
    QFETCH(QString, name);
    QFETCH(bool, binary);
    QTemporaryDir dir;
    const testmesh::Facets model = PyramidModel();
    const QString path =
        WriteModel(dir.path(), name, binary ? testmesh::BinaryStl(model) : testmesh::AsciiStl(model));
    MainWindow w;
    w.resize(900, 600);
    w.show();
    w.OpenDrawing(TIBREL_SOURCE_DIR "/tests/data/ezdxf_plate_inch_r2018.dxf");
    QCOMPARE(w.CurrentJob().DrawingUnits, Units::Inch);
    w.CurrentJob().Options.STLDepth = 2;
    w.Action("Add Text")->trigger();  // a drawing's dialog, gone with the drawing
    QVERIFY(w.findChild<TextDialog*>()->isVisible());
    w.OpenDrawing(path);
    QVERIFY(!w.findChild<TextDialog*>()->isVisible());
    const Job& job = w.CurrentJob();
    QCOMPARE(w.StatusText(0), QString("Ready..."));
    QCOMPARE(job.Mesh.size(), model.size());
    QCOMPARE(int(job.ModelLoaded), 1);
    QCOMPARE(job.Regions.size(), size_t(1));
    // The file names no unit, so the drawing's inch goes with the drawing.
    QCOMPARE(job.DrawingUnits, job.Options.DefaultUnits);
    const TExtents& e = job.DrawingExtents;
    QCOMPARE(e.XMin, 5.0);
    QCOMPARE(e.XMax, 35.0);
    QCOMPARE(e.YMax, 35.0);
    QCOMPARE(e.ZMax, -2.0);
    QCOMPARE(e.ZMin, -17.0);
    const TTBPrototypeParameters& b = job.MachiningParameters.Prototype;
    QCOMPARE(b.BlankX1, 5.0);
    QCOMPARE(b.BlankZ1, -17.0);
    QCOMPARE(b.BlankZ2, -2.0);
    for (const char* off : {"Select All", "Select All Closed", "Pocket", "Contour", "Drill", "PC Board",
                            "Save Geometry DXF", "Save Toolpaths CNC", "Save Toolpaths DXF", "Add Text",
                            "View ToolPaths"})
      QVERIFY2(!w.Action(off)->isEnabled(), off);
    QVERIFY(w.Action("Prototype")->isEnabled());
    QVERIFY(w.findChild<QToolBar*>("ToolBar")->actions().contains(w.Action("Prototype")));
    QVERIFY(MenuShown(w, "&Edit", "Flip Model"));
    QVERIFY(!MenuShown(w, "&Edit", "Delete Selected Regions"));
    QCOMPARE(w.View()->contextMenuPolicy(), Qt::NoContextMenu);
    QCOMPARE(w.View()->Settings().Content, int(ContentAll));
    QCOMPARE(w.View()->State().Mode, int(View3D));
    QVERIFY(w.Action("3D View")->isChecked());
    QVERIFY(FitsTheView(w, e));
    QVERIFY(w.windowTitle().endsWith(name));
    // The second panel shows what the view counted when it drew.
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.View()->repaint();
    Picture(&w, "model_opened");
    QCOMPARE(w.StatusText(2),
             QString::fromStdString(BuildDisplay(job, w.View()->State(), w.View()->Settings()).Status));
    // A drawing opened next replaces the model and brings the plan view back.
    w.OpenDrawing(TIBREL_SOURCE_DIR "/examples/bracket.dxf");
    QVERIFY(job.Mesh.empty());
    QCOMPARE(int(job.ModelLoaded), 0);
    QVERIFY(MenuShown(w, "&Edit", "Delete Selected Regions"));
    QVERIFY(!w.Action("Prototype")->isEnabled());
    QCOMPARE(w.View()->State().Mode, int(View2D));
    QVERIFY(!w.Action("3D View")->isChecked());
  }

  void badModelLeavesTheJob_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("told");
    QTest::newRow("a word for a number") << QByteArray("solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n"
                                                       "vertex 1 zero 0\nvertex 0 1 0\nendloop\nendfacet\nendsolid\n")
                                         << true;
    QTest::newRow("no facets") << QByteArray("solid empty\nendsolid empty\n") << false;
  }
  // A file that cannot be read, or holds nothing, leaves the drawing as it
  // was; only an unreadable one is worth a message.
  void badModelLeavesTheJob() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, told);
    QTemporaryDir dir;
    const QString path = WriteModel(dir.path(), "bad.stl", bytes.toStdString());
    MainWindow w;
    w.show();
    w.OpenDrawing(TIBREL_SOURCE_DIR "/examples/bracket.dxf");
    QString message;
    if (told) ReadMessage(message);
    w.OpenDrawing(path);
    QCOMPARE(message.isEmpty(), !told);
    QCOMPARE(w.CurrentJob().Regions.size(), size_t(9));
    QCOMPARE(int(w.CurrentJob().ModelLoaded), 0);
    QVERIFY(w.Action("Pocket")->isEnabled());
    QVERIFY(MenuShown(w, "&Edit", "Delete Selected Regions"));
  }

  void openFileByExtension_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind");  // 0 drawing or board, 1 model, 2 NC program
    const testmesh::Facets model = PyramidModel();
    const std::string ascii = testmesh::AsciiStl(model);
    QFile dxf(TIBREL_SOURCE_DIR "/examples/bracket.dxf");
    dxf.open(QIODevice::ReadOnly);
    QTest::newRow("dxf") << "part.dxf" << dxf.readAll() << 0;
    QTest::newRow("stl") << "part.sTl" << QByteArray::fromStdString(ascii) << 1;
    QTest::newRow("gerber") << "part.gtl"
                            << QByteArray("%FSLAX46Y46*%\n%MOMM*%\n%ADD10C,1.6*%\nD10*\nX0Y0D03*\nM02*\n") << 0;
    const QByteArray program("G21 G90\nG00 X0 Y0 Z5\nG01 Z-1 F100\nG01 X10\nM30\n");
    for (const char* ext : {"nc", "NGC", "tap", "cnc"}) QTest::newRow(ext) << QString("part.") + ext << program << 2;
  }
  // `tibrel FILE` opens a model, an NC program or a drawing by the name's
  // extension.
  void openFileByExtension() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    QTemporaryDir dir;
    const QString path = WriteModel(dir.path(), name, bytes.toStdString());
    MainWindow w;
    w.show();
    w.OpenFile(path);
    const Job& job = w.CurrentJob();
    QCOMPARE(job.Regions.size() > 1, kind == 0);
    QCOMPARE(job.Mesh.size() > 0, kind == 1);
    QCOMPARE(int(job.EditorShown), kind == 2 ? 1 : 0);
  }

  // The dialog's captions, the blank shown from the model's box, the rules
  // that tie the fields together, and Cancel changing nothing.
  void dialogCaptionsAndRules() {
    QTemporaryDir dir;
    MainWindow w;
    w.show();
    w.OpenDrawing(WriteModel(dir.path(), "p.stl", testmesh::BinaryStl(PyramidModel())));
    w.CurrentJob().Options.StlOverlap = 0.25;
    bool checked = false;
    OnModal([&](QWidget* d) {
      QCOMPARE(d->windowTitle(), QString("Stl Machining"));
      QStringList titles;
      for (auto* g : d->findChildren<QGroupBox*>()) titles << g->title();
      for (const char* t : {"Configuration", "Misc. Parameters", "Blank", "Roughing Parameters", "Roughing Tool",
                            "Roughing Direction", "Finishing Parameters", "Finishing Direction", "FinishingTool"})
        QVERIFY2(titles.contains(t), t);
      QStringList captions;
      for (auto* l : d->findChildren<QLabel*>()) captions << l->text();
      for (const char* c : {"Rapid Height", "Number Start At", "Number Increment", "Coolant", "X and Y Margin",
                            "X Step", "Y Step", "Z Step", "Feedrate", "Spindle RPM", "Plunge Rate",
                            "Stock To Leave", "Number", "Name", "Dia", "Type", "Angle", "Z2"})
        QVERIFY2(captions.contains(c), c);
      auto edit = [d](const char* name) { return d->findChild<QLineEdit*>(name); };
      auto text = [&](const char* name) { return edit(name)->text(); };
      QCOMPARE(text("X1"), QString("5.00"));
      QCOMPARE(text("Y2"), QString("35.00"));
      QCOMPARE(text("Z1"), QString("-15.00"));
      QVERIFY(d->findChild<QRadioButton*>("Male")->isChecked());
      QVERIFY(d->findChild<QRadioButton*>("RoughDirectionX")->isChecked());
      QVERIFY(d->findChild<QRadioButton*>("FinishDirectionY")->isChecked());
      auto* roughType = d->findChild<QComboBox*>("RoughType");
      QCOMPARE(roughType->itemText(1), QString("Ball "));

      // A typed roughing diameter gives both roughing steps (a quarter of it
      // here), a quarter of it as stock, and the finishing diameter with
      // its steps.
      edit("RoughDiameter")->clear();
      QTest::keyClicks(edit("RoughDiameter"), "6");
      QCOMPARE(text("RoughStepXY"), QString("1.5000"));
      QCOMPARE(text("RoughStepY"), QString("1.5000"));
      QCOMPARE(text("StockToLeave"), QString("1.50"));
      QCOMPARE(text("FinishDiameter"), QString("6"));
      QCOMPARE(text("FinishStepY"), QString("1.5000"));
      edit("FinishDiameter")->clear();
      QTest::keyClicks(edit("FinishDiameter"), "2");
      QCOMPARE(text("FinishStepXY"), QString("0.5000"));
      QCOMPARE(text("RoughStepXY"), QString("1.5000"));
      // Keys that make no number are swallowed.
      edit("RoughFeed")->clear();
      QTest::keyClicks(edit("RoughFeed"), "-1x2,5");
      QCOMPARE(text("RoughFeed"), QString("-12,5"));
      edit("RoughRPM")->clear();
      QTest::keyClicks(edit("RoughRPM"), "-12.5");
      QCOMPARE(text("RoughRPM"), QString("125"));
      // The margin widens the model's box in X and Y only.
      edit("Margin")->clear();
      QTest::keyClicks(edit("Margin"), "2");
      QCOMPARE(text("X1"), QString("3.00"));
      QCOMPARE(text("Y2"), QString("37.00"));
      QCOMPARE(text("Z1"), QString("-15.00"));
      // A V cutter takes an angle; another shape clears and locks it.
      QVERIFY(!edit("RoughAngle")->isEnabled());
      roughType->setCurrentIndex(2);
      QVERIFY(edit("RoughAngle")->isEnabled());
      edit("RoughAngle")->setText("60");
      roughType->setCurrentIndex(1);
      QVERIFY(!edit("RoughAngle")->isEnabled());
      QCOMPARE(text("RoughAngle"), QString("0"));
      // Finishing "None" switches every finishing field off, X back on.
      d->findChild<QComboBox*>("FinishType")->setCurrentIndex(2);
      d->findChild<QRadioButton*>("FinishDirectionNone")->setChecked(true);
      for (const char* f : {"FinishStepXY", "FinishStepY", "FinishStepZ", "FinishFeed", "FinishRPM", "FinishName",
                            "FinishDiameter", "FinishAngle"})
        QVERIFY2(!edit(f)->isEnabled(), f);
      QVERIFY(!d->findChild<QComboBox*>("FinishType")->isEnabled());
      QVERIFY(!d->findChild<QComboBox*>("FinishTool")->isEnabled());
      QVERIFY(edit("RoughStepZ")->isEnabled());
      d->findChild<QRadioButton*>("FinishDirectionX")->setChecked(true);
      QVERIFY(edit("FinishStepZ")->isEnabled());
      QVERIFY(edit("FinishAngle")->isEnabled());
      // Female counts from the click, though the dialog is cancelled.
      QTest::mouseClick(d->findChild<QRadioButton*>("Female"), Qt::LeftButton);
      checked = true;
      static_cast<QDialog*>(d)->reject();
    });
    w.Action("Prototype")->trigger();
    QVERIFY(checked);
    QCOMPARE(w.CurrentJob().MachiningParameters.Prototype.Male, 0);
    QVERIFY(w.CurrentJob().Toolpaths3D.empty());
    QCOMPARE(w.CurrentJob().CommandMode, 0);
    QCOMPARE(w.CurrentJob().MachiningParameters.Prototype.BlankX1, 5.0);
  }

  // The dialog shares Configurations.cfg with the others: it opens with
  // "LAST", lists and loads what another dialog saved (a Y step follows
  // its X step, which is all the file keeps), saves under a typed name and
  // deletes, showing "None" after.
  void configurationsAreShared() {
    WriteFileAtomically(ProgramFile("Configurations.cfg"),
                        "[LAST]\nRoughFeed=555\nRoughStepXY=1.25\n"
                        "[Roughing]\nRoughFeed=700\nRoughDiameter=8\nRoughStepXY=2\nRoughType=2\nRoughAngle=90\n"
                        "Compensation=Left\n");
    QTemporaryDir dir;
    MainWindow w;
    w.show();
    w.OpenDrawing(WriteModel(dir.path(), "p.stl", testmesh::BinaryStl(PyramidModel())));
    QString saved;
    bool checked = false;
    OnModal([&](QWidget* d) {
      auto text = [d](const char* name) { return d->findChild<QLineEdit*>(name)->text(); };
      auto press = [d](const char* caption) {
        for (auto* b : d->findChildren<QPushButton*>())
          if (b->text() == caption) return b->click();
        QFAIL(caption);
      };
      auto* list = d->findChild<QComboBox*>("Configuration");
      QCOMPARE(list->currentText(), QString("None"));
      QVERIFY(list->findText("Roughing") > 0 && list->findText("LAST") > 0);
      QCOMPARE(text("RoughFeed"), QString("555"));
      QCOMPARE(text("RoughStepY"), QString("1.25"));
      list->setCurrentText("Roughing");
      press("Load");
      QCOMPARE(text("RoughFeed"), QString("700"));
      QCOMPARE(text("RoughStepY"), QString("2"));
      QCOMPARE(d->findChild<QComboBox*>("RoughType")->currentIndex(), 2);
      QCOMPARE(text("RoughAngle"), QString("90"));
      QVERIFY(d->findChild<QLineEdit*>("RoughAngle")->isEnabled());
      d->findChild<QLineEdit*>("RoughFeed")->setText("650");
      list->setCurrentText("Mine");
      ReadMessage(saved);
      press("Save");
      list->setCurrentText("Roughing");
      press("Delete");
      QCOMPARE(list->currentText(), QString("None"));
      QCOMPARE(list->findText("Roughing"), -1);
      checked = true;
      static_cast<QDialog*>(d)->reject();
    });
    w.Action("Prototype")->trigger();
    QVERIFY(checked);
    QCOMPARE(saved, QString("Configuration Mine saved"));
    const IniFile file = IniFile::Load(ProgramFile("Configurations.cfg"));
    QCOMPARE(file.ReadString("Mine", "RoughFeed", ""), std::string("650"));
    QCOMPARE(file.ReadString("Mine", "RoughType", ""), std::string("2"));
    QVERIFY(!file.HasSection("Roughing"));
    QCOMPARE(file.ReadString("LAST", "RoughFeed", ""), std::string("555"));  // Cancel saves nothing
  }

  // The STL page of the options: the depth a model's top is placed at and
  // the step a typed diameter gives, both in force at once.
  void stlOptionsPage() {
    QTemporaryDir dir;
    MainWindow w;
    w.show();
    OnModal([](QWidget* d) {
      auto* depth = d->findChild<QLineEdit*>("STLDepth");
      auto* step = d->findChild<QLineEdit*>("StlOverlap");
      QVERIFY(depth && step);
      QCOMPARE(step->text(), QString("50"));
      depth->clear();
      QTest::keyClicks(depth, "3");
      step->clear();
      QTest::keyClicks(step, "2x0");
      static_cast<QDialog*>(d)->reject();
    });
    w.Action("Options")->trigger();
    QCOMPARE(w.CurrentJob().Options.STLDepth, 3.0);
    QCOMPARE(w.CurrentJob().Options.StlOverlap, 0.2);
    w.OpenDrawing(WriteModel(dir.path(), "p.stl", testmesh::BinaryStl(PyramidModel())));
    QCOMPARE(w.CurrentJob().DrawingExtents.ZMax, -3.0);
    OnModal([](QWidget* d) {
      auto* dia = d->findChild<QLineEdit*>("RoughDiameter");
      dia->clear();
      QTest::keyClicks(dia, "5");
      QCOMPARE(d->findChild<QLineEdit*>("RoughStepXY")->text(), QString("1.0000"));
      static_cast<QDialog*>(d)->reject();
    });
    w.Action("Prototype")->trigger();
  }

  void machineRefusesMissingFeeds_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("status");
    QTest::newRow("roughing feed") << "RoughFeed" << "RoughFeed must be greater than 0";
    QTest::newRow("plunge rate") << "RoughPlunge" << "RoughPlunge must be greater than 0";
    QTest::newRow("finishing feed") << "FinishFeed" << "FinishFeed must be greater than 0";
  }
  // A pass that would run at F0 makes nothing: the field at fault in the
  // status bar, the message of every operation, nothing to save.
  void machineRefusesMissingFeeds() {
    QFETCH(QString, field);
    QFETCH(QString, status);
    QTemporaryDir dir;
    MainWindow w;
    w.show();
    w.OpenDrawing(WriteModel(dir.path(), "p.stl", testmesh::BinaryStl(PyramidModel())));
    std::map<QString, QString> fields = RunFields;
    fields[field] = "0";
    QString message;
    Machine(fields, &message, ChooseBall);
    w.Action("Prototype")->trigger();
    QCOMPARE(message, QString("Toolpaths not Created.  Check Parameters."));
    QCOMPARE(w.StatusText(0), status);
    QVERIFY(w.CurrentJob().Toolpaths3D.empty());
    QVERIFY(!w.Action("Save Toolpaths CNC")->isEnabled());
    QCOMPARE(w.CurrentJob().CommandMode, 0);
  }

  // Machine makes roughing and finishing layers, shows them, keeps the
  // fields as "LAST", and Save Toolpaths CNC writes a program that a model
  // of the controller runs without a gouge, a rapid through stock, a stop
  // in the cut or a zero feed, through every point of the layers.
  void prototypeRunAndSave() {
    QTemporaryDir dir;
    MainWindow w;
    w.resize(900, 600);
    w.show();
    w.OpenDrawing(WriteModel(dir.path(), "pyramid.stl", testmesh::BinaryStl(PyramidModel())));
    Machine(RunFields, nullptr, [](QWidget* d) {
      ChooseBall(d);
      auto* margin = d->findChild<QLineEdit*>("Margin");
      margin->clear();
      QTest::keyClicks(margin, "3");
    });
    w.Action("Prototype")->trigger();
    const Job& job = w.CurrentJob();
    QCOMPARE(w.StatusText(0), QString("Ready..."));
    QVERIFY(job.Toolpaths3D.size() >= 3);
    QCOMPARE(w.View()->Settings().Content, int(ContentToolpaths));
    QVERIFY(w.Action("View ToolPaths")->isChecked());
    QVERIFY(w.Action("Save Toolpaths CNC")->isEnabled());
    Picture(&w, "prototype_layers");
    const TTBMachiningParameters& p = job.MachiningParameters;
    QCOMPARE(p.Prototype.BlankX1, 2.0);
    QCOMPARE(p.Rough.Radius, 3.0);
    QCOMPARE(p.Rough.ToolType, int32_t(CutterBall));
    QCOMPARE(p.Finish.Direction, 2);
    const IniFile configs = IniFile::Load(ProgramFile("Configurations.cfg"));
    QCOMPARE(configs.ReadString("LAST", "RoughFeed", ""), std::string("800"));
    QCOMPARE(configs.ReadString("LAST", "RoughType", ""), std::string("1"));

    const QString nc = dir.path() + "/pyramid.ngc";
    QString proposed;
    w.chooseFile = [&](const QString&, const QString&, const QString& name, bool save) {
      proposed = name;
      return save ? nc : QString();
    };
    w.Action("Save Toolpaths CNC")->trigger();
    QVERIFY(proposed.startsWith("pyramid."));
    QFile f(nc);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const cutter::Program program = cutter::ReadProgram(f.readAll().toStdString());
    QVERIFY(program.problems.empty());
    const cutter::MeshToolTable tools = {{1, {CutterBall, 3, 0, 0.5}}, {2, {CutterBall, 2, 0, 0}}};
    cutter::MeshCheckSettings settings;
    settings.Gouge = 1.0 + 1e-3;  // the sampling error of a grid of 1
    settings.Cell = 0.25;
    settings.RapidSlack = 0.1;
    size_t measured = 0;
    const cutter::Violations v = CheckMeshCutter(program, job.Mesh, p.Prototype, tools, settings, &measured);
    QVERIFY2(v.empty(), cutter::Report(v, program, 6).c_str());
    QVERIFY(measured > 1000);
    const cutter::Violations missing = cutter::MissingPoints(program, job.Toolpaths3D);
    QVERIFY2(missing.empty(), cutter::Report(missing, program, 3).c_str());

    // Closing with 3D toolpaths asks first; Cancel keeps the window.
    QString asked;
    ReadMessageAndCancel(asked);
    QVERIFY(!w.close());
    QCOMPARE(asked, QString("Save toolpaths before exiting?"));
  }

  // Flip Model turns the pyramid over within its own box; Move, Scale and
  // Rotate doubles it, turns it and puts its corner and top where typed,
  // the blank following; a top that is no number moves nothing.
  void flipAndMoveModel() {
    QTemporaryDir dir;
    MainWindow w;
    w.show();
    w.OpenDrawing(WriteModel(dir.path(), "p.stl", testmesh::BinaryStl(PyramidModel())));
    Job& job = w.CurrentJob();
    auto apexZ = [&job] {  // the height of the vertex over the pyramid's axis
      float z = 0;
      for (const auto& t : job.Mesh)
        for (const auto& v : t.V)
          if (v.X == 20 && v.Y == 20) z = v.Z;
      return z;
    };
    QCOMPARE(apexZ(), 0.0f);
    w.Action("Flip Model")->trigger();
    QCOMPARE(apexZ(), -15.0f);
    QCOMPARE(job.DrawingExtents.ZMax, 0.0);
    QCOMPARE(job.DrawingExtents.ZMin, -15.0);
    for (const auto& t : job.Mesh) QVERIFY(t.V[0].Z <= t.V[1].Z && t.V[1].Z <= t.V[2].Z && t.ZMax <= 0);

    w.Action("Move, Scale, and Rotate")->trigger();
    auto* d = w.findChild<StlMoveDialog*>();
    QVERIFY(d && d->isVisible() && !d->isModal());
    QCOMPARE(d->findChild<QLineEdit*>("CornerX")->text(), QString("5.000"));
    QCOMPARE(d->findChild<QLineEdit*>("Scale")->text(), QString("0.000"));
    QString message;
    ReadMessage(message);
    d->findChild<QLineEdit*>("Top")->setText("-");
    d->findChild<QPushButton*>("Apply")->click();
    QCOMPARE(message, QString("'-' is not a valid floating point value"));
    QCOMPARE(job.DrawingExtents.XMax, 35.0);

    // Doubled to 60 x 60 x 30, then a quarter turn about X stands it on its
    // side: 30 deep in Y, 60 high.
    for (auto [name, value] : {std::pair{"CornerX", "1"}, std::pair{"CornerY", "2"}, std::pair{"Scale", "2"},
                               std::pair{"Top", "-1"}, std::pair{"Rotation", "90"}})
      d->findChild<QLineEdit*>(name)->setText(value);
    d->findChild<QComboBox*>("Axis")->setCurrentText("X");
    d->findChild<QPushButton*>("Apply")->click();
    const TExtents& e = job.DrawingExtents;
    QVERIFY(std::abs(e.XMin - 1) < 1e-4 && std::abs(e.XMax - 61) < 1e-4);
    QVERIFY(std::abs(e.YMin - 2) < 1e-4 && std::abs(e.YMax - 32) < 1e-4);
    QVERIFY(std::abs(e.ZMax + 1) < 1e-4 && std::abs(e.ZMin + 61) < 1e-4);
    const TTBPrototypeParameters& b = job.MachiningParameters.Prototype;
    QCOMPARE(b.BlankX2, e.XMax);
    QCOMPARE(b.BlankZ1, e.ZMin);
    QCOMPARE(d->findChild<QLineEdit*>("Scale")->text(), QString("0.000"));
    QCOMPARE(d->findChild<QLineEdit*>("Top")->text(), QString("-1"));
  }

  // Close empties the model and its layers and gives the drawing menus back.
  void closeEmptiesTheModel() {
    QTemporaryDir dir;
    MainWindow w;
    w.show();
    w.OpenDrawing(WriteModel(dir.path(), "p.stl", testmesh::BinaryStl(PyramidModel())));
    Machine(RunFields, nullptr, ChooseBall);
    w.Action("Prototype")->trigger();
    QVERIFY(!w.CurrentJob().Toolpaths3D.empty());
    w.Action("Move, Scale, and Rotate")->trigger();
    w.Action("Close")->trigger();
    const Job& job = w.CurrentJob();
    QVERIFY(job.Mesh.empty());
    QVERIFY(job.Toolpaths3D.empty());
    QCOMPARE(int(job.ModelLoaded), 0);
    for (const char* off : {"Prototype", "Save Toolpaths CNC", "View ToolPaths", "Flip Model"})
      QVERIFY2(!w.Action(off)->isEnabled(), off);
    QVERIFY(MenuShown(w, "&Edit", "Delete Selected Regions"));
    QVERIFY(!MenuShown(w, "&Edit", "Flip Model"));
    QTRY_VERIFY(!w.findChild<StlMoveDialog*>());
    QVERIFY(w.close());
  }

  // Esc while the layers are made stops the run at its next look at the
  // flag: the cancel message, the window free again, nothing half-made
  // offered for saving beyond the layers finished.
  void escapeStopsARun() {
    QTemporaryDir dir;
    MainWindow w;
    w.show();
    w.OpenDrawing(WriteModel(dir.path(), "p.stl", testmesh::BinaryStl(PyramidModel())));
    // A fine grid: the run would take far longer than the first look at
    // the events, where Esc is pressed.
    std::map<QString, QString> fields = RunFields;
    fields["RoughStepXY"] = fields["RoughStepY"] = "0.05";
    fields["RoughStepZ"] = "1";
    Machine(fields, nullptr, ChooseBall);
    bool pressed = false;
    int32_t modeDuringRun = -1;
    QTimer esc;
    esc.setInterval(0);
    connect(&esc, &QTimer::timeout, &w, [&] {
      if (!w.Busy() || pressed) return;
      pressed = true;
      modeDuringRun = w.CurrentJob().CommandMode;
      QVERIFY(!w.menuBar()->isEnabled());
      QTest::keyClick(&w, Qt::Key_Escape);
    });
    esc.start();
    w.Action("Prototype")->trigger();
    esc.stop();
    QVERIFY(pressed);
    QCOMPARE(modeDuringRun, int32_t(ModePrototype));
    QCOMPARE(w.StatusText(0), QString("Operation Cancelled..."));
    QCOMPARE(w.CurrentJob().CommandMode, 0);
    QVERIFY(!w.Busy());
    QVERIFY(w.menuBar()->isEnabled());
    QCOMPARE(w.Action("Save Toolpaths CNC")->isEnabled(), Has3DToolpathsOf(w.CurrentJob()));
  }

 private:
  static bool Has3DToolpathsOf(const Job& job) {
    for (const auto& l : job.Toolpaths3D)
      if (!l.Points.empty()) return true;
    return false;
  }
  std::unique_ptr<TestProgramFolder> folder_;
};

QTEST_MAIN(MeshWindowTest)
#include "mesh_window_test.moc"
