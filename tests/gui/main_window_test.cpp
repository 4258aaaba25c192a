// The main window driven as a user would, offscreen: open a drawing, select,
// fill the Pocket dialog, make toolpaths, save the program; the messages of
// the failure paths; Esc during a long pocket.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QMouseEvent>
#include <QSpinBox>
#include <QMenuBar>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QComboBox>
#include <QCheckBox>
#include <QMenu>
#include <QToolBar>
#include <QLabel>
#include <QRadioButton>

#include "core/ini.h"
#include "core/program_folder.h"
#include <QtTest/QtTest>

#include "app/main_window.h"
#include "modal.h"
#include "screenshots.h"
#include "test_program_folder.h"
#include "app/text_dialog.h"
#include "app/painter.h"
#include "app/view_widget.h"
#include "core/files.h"

using namespace tibrel;

namespace {

const QString Examples = QStringLiteral(TIBREL_SOURCE_DIR "/examples/");

// message: where the message box that follows the run puts its text.
void FillAndRun(const std::map<QString, QString>& fields, const QString& depth, QString* message = nullptr) {
  OnModal([fields, depth, message](QWidget* w) {
    for (const auto& [key, value] : fields) {
      auto* edit = w->findChild<QLineEdit*>(key);
      QVERIFY2(edit, qPrintable(key));
      edit->setText(value);
    }
    w->findChild<QLineEdit*>("Depth")->setText(depth);
    Picture(w, w->windowTitle());
    w->findChild<QPushButton*>("Run")->click();
    if (message) ReadMessage(*message);
  });
}

// A drawing of one square, side s, as DXF text.
QString SquareDrawing(const QString& dir, double s) {
  const QString path = dir + "/square.dxf";
  std::string text = "0\nSECTION\n2\nENTITIES\n";
  const double p[5][2] = {{0, 0}, {s, 0}, {s, s}, {0, s}, {0, 0}};
  for (int k = 0; k < 4; ++k)
    text += "0\nLINE\n8\n0\n10\n" + std::to_string(p[k][0]) + "\n20\n" + std::to_string(p[k][1]) + "\n11\n" +
            std::to_string(p[k + 1][0]) + "\n21\n" + std::to_string(p[k + 1][1]) + "\n";
  text += "0\nENDSEC\n0\nEOF\n";
  WriteFileAtomically(path.toStdString(), text);
  return path;
}


// A left-button drag in the view from one pixel to another, as the mouse
// gives it: press, one move with the button held, release.
void Drag(QWidget* view, QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
  auto send = [view, mods](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, at, view->mapToGlobal(at), button, held, mods);
    QApplication::sendEvent(view, &e);
  };
  send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

QPoint Pixel(MainWindow& w, double x, double y) {
  const ScreenPoint p = Project(w.View()->State(), x, y, 0);
  return {int(std::lround(p.X)), int(std::lround(p.Y))};
}

int SelectedCount(const Job& job) {
  int n = 0;
  for (size_t i = 1; i < job.Regions.size(); ++i) n += job.Regions[i].Selected;
  return n;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  // Every test starts the program in a fresh folder of its own, with the
  // shipped settings copied in as on a first run; nothing beside the built
  // program is read or written, and no test sees what another saved.
  void init() {
    folder_ = std::make_unique<TestProgramFolder>();
    QVERIFY(folder_->IsValid());
  }
  void cleanup() {
    folder_.reset();
  }

  void pocketEndToEnd() {
    MainWindow w;
    w.resize(1000, 700);
    w.show();
    w.OpenDrawing(Examples + "bracket.dxf");
    QCOMPARE(w.StatusText(0), QString("8 Regions Created... 0 Open   Units: mm"));
    QVERIFY(!w.Action("Save Toolpaths CNC")->isEnabled());
    w.Action("Select All Closed")->trigger();
    QCOMPARE(w.StatusText(0), QString("1 Boundaries 7  Islands Selected"));
    Picture(&w, "main_window_selected");
    FillAndRun({{"RoughDiameter", "6"}, {"RoughStepXY", "2"}, {"RoughStepZ", "2"}, {"RoughFeed", "600"},
                {"RoughPlunge", "200"}, {"RapidHeight", "5"}},
               "4");
    w.Action("Pocket")->trigger();
    QVERIFY(w.CurrentJob().Toolpaths.size() > 10);
    QCOMPARE(w.StatusText(0), QString("Ready..."));
    QVERIFY(w.Action("Save Toolpaths CNC")->isEnabled());
    QVERIFY(w.Action("View ToolPaths")->isChecked());
    Picture(&w, "main_window_toolpaths");
    QTemporaryDir dir;
    const QString nc = dir.path() + "/bracket.ngc";
    w.chooseFile = [&](const QString&, const QString&, const QString& proposed, bool save) {
      EXPECT_PROPOSED(proposed);
      return save ? nc : QString();
    };
    w.Action("Save Toolpaths CNC")->trigger();
    QFile f(nc);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray program = f.readAll();
    QVERIFY(program.contains("G01 Z-2.0000 F200.0"));
    QVERIFY(program.endsWith("M30\n"));
    // Closing with toolpaths asks first; Cancel keeps the window.
    QString asked;
    ReadMessageAndCancel(asked);
    QVERIFY(!w.close());
    QCOMPARE(asked, QString("Save toolpaths before exiting?"));
    QVERIFY(w.isVisible());
  }

  void contourAndDrill() {
    MainWindow w;
    w.resize(900, 650);
    w.show();
    w.OpenDrawing(Examples + "bracket.dxf");
    // Drill asks for its fields first, then finds nothing selected.
    QString text;
    FillAndRun({{"RoughPlunge", "100"}}, "3", &text);
    w.Action("Drill")->trigger();
    QCOMPARE(text, QString("Nothing Selected! - Select Regions First"));
    w.Action("Select Empty Circles")->trigger();
    FillAndRun({{"RoughPlunge", "100"}, {"RapidHeight", "2"}}, "3");
    w.Action("Drill")->trigger();
    QCOMPARE(w.CurrentJob().Toolpaths.size(), size_t(5));
    QCOMPARE(w.CurrentJob().Toolpaths[1].Depth, 3.0);
    // A cut-out contour with arc leads, chosen in the dialog's lists.
    w.Action("Select All Closed")->trigger();
    OnModal([](QWidget* d) {
      d->findChild<QLineEdit*>("RoughDiameter")->setText("3");
      d->findChild<QLineEdit*>("RoughStepZ")->setText("2");
      d->findChild<QLineEdit*>("RoughFeed")->setText("300");
      d->findChild<QLineEdit*>("RoughPlunge")->setText("100");
      auto* comp = d->findChild<QComboBox*>("Compensation");
      comp->setCurrentIndex(comp->findData("Cutout"));
      auto* entry = d->findChild<QComboBox*>("Entry");
      entry->setCurrentIndex(entry->findData("Arc"));
      QVERIFY(d->findChild<QLineEdit*>("EntryLength")->isEnabled());
      d->findChild<QLineEdit*>("EntryLength")->setText("1");
      d->findChild<QLineEdit*>("Depth")->setText("3");
      Picture(d, "Contour");
      d->findChild<QPushButton*>("Run")->click();
    });
    w.Action("Contour")->trigger();
    const Job& job = w.CurrentJob();
    QVERIFY(job.Toolpaths.size() > 8);
    int leads = 0, islands = 0;
    for (size_t i = 1; i < job.Toolpaths.size(); ++i) {
      leads += HasEntryMove(job.Toolpaths[i]) && job.Toolpaths[i].EntryMove.Radius != 0;
      islands += job.Toolpaths[i].IsIsland;
    }
    QCOMPARE(leads, int(job.Toolpaths.size()) - 1);
    QVERIFY(islands > 0);
    w.Action("3D View")->trigger();
    QCOMPARE(w.StatusText(1), QString("3D"));
    Picture(&w, "main_window_3d");
  }

  void failurePathsTellTheUser() {
    MainWindow w;
    w.show();
    w.OpenDrawing(Examples + "bracket.dxf");
    QString text;
    ReadMessage(text);
    w.Action("Pocket")->trigger();
    QCOMPARE(text, QString("Nothing Selected! - Select Regions First"));
    w.Action("Select All Closed")->trigger();
    text.clear();
    FillAndRun({{"RoughDiameter", "0"}}, "1", &text);
    w.Action("Pocket")->trigger();  // the dialog, then the message
    QCOMPARE(text, QString("Toolpaths not Created.  Check Parameters."));
    QCOMPARE(w.CurrentJob().Toolpaths.size(), size_t(1));
    QVERIFY(!w.Action("Save Toolpaths CNC")->isEnabled());
  }

  void escapeStopsALongPocket() {
    QTemporaryDir dir;
    MainWindow w;
    w.show();
    w.OpenDrawing(SquareDrawing(dir.path(), 400));
    QVERIFY(w.StatusText(0).startsWith("1 Regions Created... 0 Open   Units: "));
    w.Action("Select All Closed")->trigger();
    FillAndRun({{"RoughDiameter", "0.2"}, {"RoughStepXY", "0.002"}, {"RoughStepZ", "0"}, {"RoughFeed", "300"},
                {"RoughPlunge", "100"}},
               "1");
    // While the pass runs every command is refused and the view takes no
    // clicks; Esc then ends the pass. The pocket alone would run for many
    // seconds, so a pass that ends with the cancel message ended by Esc.
    bool sawBusy = false, menusOff = false;
    size_t regionsDuringPass = 0;
    int32_t modeDuringPass = -1;
    QTimer::singleShot(150, &w, [&] {
      sawBusy = w.Busy();
      menusOff = !w.menuBar()->isEnabled();
      w.Action("Close")->trigger();
      w.Action("DeSelect All")->trigger();
      QTest::mouseClick(w.View(), Qt::LeftButton, {}, QPoint(10, 10));
      regionsDuringPass = w.CurrentJob().Regions.size();
      modeDuringPass = w.CurrentJob().CommandMode;
      QTest::keyClick(&w, Qt::Key_Escape);
    });
    w.Action("Pocket")->trigger();
    QVERIFY(sawBusy);
    QVERIFY(menusOff);
    QCOMPARE(regionsDuringPass, size_t(2));
    QCOMPARE(modeDuringPass, int32_t(ModePocket));
    QCOMPARE(w.StatusText(0), QString("Operation Cancelled..."));
    QCOMPARE(w.CurrentJob().CommandMode, 0);
    QVERIFY(!w.Busy());
    QVERIFY(w.menuBar()->isEnabled());
    QCOMPARE(w.CurrentJob().Regions.size(), size_t(2));
    QCOMPARE(int(w.CurrentJob().Regions[1].Selected), 1);
    QCOMPARE(w.windowTitle(), QString("Tibrel - square.dxf"));
  }

  void editCommands() {
    MainWindow w;
    w.resize(1000, 700);
    w.show();
    w.OpenDrawing(Examples + "plate_islands.dxf");
    w.Action("Select All Closed")->trigger();
    // Change Depths stays open beside the window.
    w.Action("Change Depths")->trigger();
    QDialog* depths = nullptr;
    for (auto* d : w.findChildren<QDialog*>())
      if (d->windowTitle() == "Add Depths") depths = d;
    QVERIFY(depths && depths->isVisible() && !depths->isModal());
    QCOMPARE(depths->windowTitle(), QString("Add Depths"));
    Picture(depths, "add_depths");
    depths->findChild<QLineEdit*>("Depth")->setText("2.5");
    depths->findChild<QPushButton*>("Apply")->click();
    int deep = 0;
    for (size_t i = 1; i < w.CurrentJob().Regions.size(); ++i)
      deep += w.CurrentJob().Regions[i].Depth == 2.5 && w.CurrentJob().Regions[i].IslandOf == 0;
    QCOMPARE(deep, 5);
    depths->close();
    // Delete asks first; Cancel keeps everything.
    const size_t before = w.CurrentJob().Regions.size();
    QString question;
    ReadMessageAndCancel(question);
    w.Action("Delete Selected Regions")->trigger();
    QCOMPARE(question, QString("Deleting Regions Can Not Be Undone.  Are You Sure"));
    QCOMPARE(w.CurrentJob().Regions.size(), before);
    // Single Boundary by a click in the view.
    w.Action("DeSelect All")->trigger();
    w.Action("Single Boundary")->trigger();
    QCOMPARE(w.StatusText(0), QString("Select Boundary to Add"));
    const TTBRegion& outer = w.CurrentJob().Regions[1];
    const ScreenPoint p = Project(w.View()->State(), outer.XMin, (outer.YMin + outer.YMax) / 2, 0);
    QTest::mouseClick(w.View(), Qt::LeftButton, {}, QPoint(int(std::lround(p.X)), int(std::lround(p.Y))));
    QCOMPARE(int(w.CurrentJob().Regions[1].Selected), 1);
    Picture(&w, "main_window_edit");
    // Machining order: the dialog, then a click moves the clicked region to
    // the first place.
    OnModal([](QWidget* d) {
      Picture(d, "machining_order");
      static_cast<QDialog*>(d)->accept();
    });
    w.Action("Set Machining Order")->trigger();
    QCOMPARE(w.StatusText(0), QString("Click on regions in sequence..."));
    QVERIFY(w.View()->Settings().ShortLabels);
    const TTBRegion third = w.CurrentJob().Regions[3];
    const TTBPoint on = EntityMidpoint(third.Entities.front());
    const ScreenPoint q = Project(w.View()->State(), on.X, on.Y, 0);
    QTest::mouseClick(w.View(), Qt::LeftButton, {}, QPoint(int(std::lround(q.X)), int(std::lround(q.Y))));
    QCOMPARE(w.CurrentJob().Regions[1].XMin, third.XMin);
    QCOMPARE(w.CurrentJob().Regions[1].YMin, third.YMin);
    // Move, Scale, and Rotate stays open beside the window; Apply moves the
    // selection's corner to the typed point.
    w.Action("Select All Closed")->trigger();
    w.Action("Scale, Move, Rotate")->trigger();
    QDialog* move = nullptr;
    for (auto* d : w.findChildren<QDialog*>())
      if (d->windowTitle() == "Move, Scale, and Rotate " && d->isVisible()) move = d;
    QVERIFY(move && !move->isModal());
    Picture(move, "move_scale_rotate");
    move->findChild<QLineEdit*>("CornerX")->setText("10");
    move->findChild<QLineEdit*>("CornerY")->setText("20");
    move->findChild<QPushButton*>("Apply")->click();
    double x = 1e300, y = 1e300;
    for (size_t i = 1; i < w.CurrentJob().Regions.size(); ++i)
      x = std::min(x, w.CurrentJob().Regions[i].XMin), y = std::min(y, w.CurrentJob().Regions[i].YMin);
    QCOMPARE(x, 10.0);
    QCOMPARE(y, 20.0);
    move->close();
  }

  void optionsAndPostEditor() {
    MainWindow w;
    w.show();
    // Options: a field changes the value at once; Save writes the file.
    QString saved;
    const double curveBefore = w.CurrentJob().Options.CurveTolerance;
    OnModal([&saved, curveBefore](QWidget* d) {
      Picture(d, "options");
      auto* overlap = d->findChild<QLineEdit*>("Overlap");
      overlap->selectAll();
      QTest::keyClicks(overlap, "33");
      // The curve tolerance field shows the value in force.
      auto* curve = d->findChild<QLineEdit*>("CurveTolerance");
      QCOMPARE(curve->text().toDouble(), curveBefore);
      curve->selectAll();
      QTest::keyClicks(curve, "0.0005");
      ReadMessage(saved);
      d->findChild<QPushButton*>("Save")->click();
    });
    w.Action("Options")->trigger();
    QCOMPARE(saved, QString("Options Saved!"));
    QCOMPARE(w.CurrentJob().Options.Overlap, 0.33);
    QCOMPARE(IniFile::Load(ProgramFile("Options.cfg")).Read("Options", "Overlap"), std::optional<std::string>("33"));
    QCOMPARE(w.CurrentJob().Options.CurveTolerance, 0.0005);
    QCOMPARE(IniFile::Load(ProgramFile("Options.cfg")).Read("Options", "CurveTolerance"),
             std::optional<std::string>("0.0005"));
    // The post editor: a token made in the editor is in force at once; Save
    // writes the post under its name.
    QString message;
    OnModal([&message](QWidget* d) {
      auto* dialog = static_cast<QDialog*>(d);
      QComboBox* name = d->findChild<QComboBox*>("Name");
      name->setCurrentText("Default");
      d->findChild<QPushButton*>("Edit")->click();
      Picture(d, "post_editor");
      name->setCurrentText("Test Mill");
      d->findChild<QLineEdit*>("UnitsInch")->setText("G70");
      ReadMessage(message);
      d->findChild<QPushButton*>("Save")->click();
      dialog->reject();
    });
    w.Action("Post Processor Setup")->trigger();
    QCOMPARE(message, QString("Test Mill Saved!"));
    const IniFile posts = IniFile::Load(ProgramFile("Posts.cfg"));
    QCOMPARE(QString::fromStdString(ProgramFile("Posts.cfg")), folder_->Path() + "/Posts.cfg");
    QVERIFY(posts.HasSection("Test Mill"));
    QCOMPARE(posts.Read("Test Mill", "Scripts0"), posts.Read("Default", "Scripts0"));
    QCOMPARE(posts.Read("Test Mill", "UnitsInch"), std::optional<std::string>("G70"));
    QCOMPARE(w.CurrentJob().CurrentPost.Name, std::string("Default"));
  }

  // The unit is told after Open and in the operation dialogs; drawings
  // without one take the option, which applies at once.
  void unitsShowWhereTheUserLooks() {
    QTemporaryDir dir;
    MainWindow w;
    w.show();
    OnModal([](QWidget* d) {
      auto* units = d->findChild<QComboBox*>("DefaultUnits");
      units->setCurrentIndex(units->findText("inch"));
      static_cast<QDialog*>(d)->reject();  // applied, not saved
    });
    w.Action("Options")->trigger();
    QCOMPARE(w.CurrentJob().Options.DefaultUnits, Units::Inch);
    w.OpenDrawing(SquareDrawing(dir.path(), 4));
    QCOMPARE(w.StatusText(0), QString("1 Regions Created... 0 Open   Units: inch (none in the drawing)"));
    w.OpenDrawing(QStringLiteral(TIBREL_SOURCE_DIR "/tests/data/ezdxf_plate_mm_r2018.dxf"));
    QCOMPARE(w.StatusText(0), QString("5 Regions Created... 0 Open   Units: mm"));
    QCOMPARE(w.CurrentJob().DrawingUnits, Units::Millimetre);
    w.Action("Select All Closed")->trigger();
    QString label;
    OnModal([&label](QWidget* d) {
      label = d->findChild<QLabel*>("Units")->text();
      static_cast<QDialog*>(d)->reject();
    });
    w.Action("Contour")->trigger();
    QCOMPARE(label, QString("Drawing units: mm (lengths and feed rates in millimetres)"));
  }

  // An Esc pressed to leave a mode does not stop the next pass.
  void escapeThenSelectAllClosed() {
    MainWindow w;
    w.show();
    w.OpenDrawing(Examples + "bracket.dxf");
    QTest::keyClick(&w, Qt::Key_Escape);
    w.Action("Select All Closed")->trigger();
    QCOMPARE(w.StatusText(0), QString("1 Boundaries 7  Islands Selected"));
    QCOMPARE(SelectedCount(w.CurrentJob()), 8);
  }

  // The window-drag modes, and what a drag does once a mode is left.
  void dragModes() {
    MainWindow w;
    w.resize(900, 650);
    w.show();
    w.OpenDrawing(Examples + "bracket.dxf");
    QWidget* view = w.View();
    const QPoint topLeft(3, 3), bottomRight(view->width() - 3, view->height() - 3);
    w.Action("Select Window")->trigger();
    QCOMPARE(w.StatusText(0), QString("Click and Drag selection window..."));
    Drag(view, topLeft, bottomRight);
    QCOMPARE(SelectedCount(w.CurrentJob()), 8);
    QCOMPARE(w.CurrentJob().CommandMode, 0);
    QVERIFY(w.Action("View Selected")->isEnabled());
    w.Action("DeSelect Window")->trigger();
    Drag(view, topLeft, bottomRight);
    QCOMPARE(SelectedCount(w.CurrentJob()), 0);
    QVERIFY(!w.Action("View Selected")->isEnabled());
    QCOMPARE(w.StatusText(0), QString("Ready..."));

    // Zoom Window: a band one pixel wide is no window and stays armed;
    // a real one zooms.
    const ViewState before = w.View()->State();
    w.Action("Zoom Window")->trigger();
    Drag(view, QPoint(100, 100), QPoint(101, 150));
    QCOMPARE(w.View()->State().Window.XMin, before.Window.XMin);
    QVERIFY(w.View()->RubberBandArmed());
    Drag(view, QPoint(100, 100), QPoint(200, 180));
    QVERIFY(w.View()->State().Window.XMax - w.View()->State().Window.XMin < (before.Window.XMax - before.Window.XMin) / 2);
    QVERIFY(!w.View()->RubberBandArmed());
    w.Action("Zoom All")->trigger();

    // Zoom Window left by Cancel: the next drag changes nothing.
    const ViewState all = w.View()->State();
    w.Action("Zoom Window")->trigger();
    w.Action("Cancel")->trigger();
    QVERIFY(!w.View()->RubberBandArmed());
    Drag(view, QPoint(100, 100), QPoint(200, 180));
    QCOMPARE(w.View()->State().Window.XMin, all.Window.XMin);
    QCOMPARE(w.View()->State().Window.XMax, all.Window.XMax);

    // Select Window left by Esc: Select Single picks with the next click.
    w.Action("Select Window")->trigger();
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.View()->RubberBandArmed());
    w.Action("Select Single")->trigger();
    const TTBPoint on = EntityMidpoint(w.CurrentJob().Regions[1].Entities.front());
    QTest::mouseClick(view, Qt::LeftButton, {}, Pixel(w, on.X, on.Y));
    QCOMPARE(int(w.CurrentJob().Regions[1].Selected), 1);

    // Select Window left by Esc in 3D: a plain drag rotates.
    w.Action("Select Window")->trigger();
    QTest::keyClick(&w, Qt::Key_Escape);
    w.Action("3D View")->trigger();
    QCOMPARE(w.Action("3D View")->text(), QString("2D &View"));
    const double spin = w.View()->State().Spin, tilt = w.View()->State().Tilt;
    Drag(view, QPoint(300, 400), QPoint(320, 410));
    QVERIFY(w.View()->State().Spin != spin);
    QVERIFY(w.View()->State().Tilt != tilt);
    w.Action("3D View")->trigger();
    QCOMPARE(w.Action("3D View")->text(), QString("3D &View"));
  }

  // A click selects a region whose edge lies within eight pixels.
  void pickDistance_data() {
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("selected");
    QTest::newRow("on the edge") << 0 << 1;
    QTest::newRow("6 pixels off") << 6 << 1;
    QTest::newRow("12 pixels off") << 12 << 0;
  }
  void pickDistance() {
    QFETCH(int, pixels);
    QFETCH(int, selected);
    QTemporaryDir dir;
    MainWindow w;
    w.resize(800, 600);
    w.show();
    w.OpenDrawing(SquareDrawing(dir.path(), 100));
    w.Action("Select Single")->trigger();
    QTest::mouseClick(w.View(), Qt::LeftButton, {}, Pixel(w, 0, 50) - QPoint(pixels, 0));
    QCOMPARE(int(w.CurrentJob().Regions[1].Selected), selected);
  }

  // Without Configurations.cfg the dialogs show their form defaults; a
  // dialog keeps what was typed between uses; the lead caption follows the
  // choice; Cut Out turns the finishing fields off.
  void operationDialogs() {
    QTemporaryDir dir;
    MainWindow w;
    w.show();
    w.OpenDrawing(SquareDrawing(dir.path(), 100));
    w.Action("Select All Closed")->trigger();
    QString caption;
    OnModal([&caption](QWidget* d) {
      QCOMPARE(d->findChild<QLineEdit*>("RoughDiameter")->text(), QString("0"));
      QCOMPARE(d->findChild<QLineEdit*>("RapidHeight")->text(), QString("0"));
      QCOMPARE(d->findChild<QComboBox*>("Finish")->currentData().toString(), QString("Boundaries"));
      auto* entry = d->findChild<QComboBox*>("Entry");
      auto* length = d->findChild<QLineEdit*>("EntryLength");
      QCOMPARE(entry->currentData().toString(), QString("None"));
      QCOMPARE(length->text(), QString(".25"));
      QVERIFY(!length->isEnabled());
      QVERIFY(!d->findChild<QLineEdit*>("FinishDiameter")->isEnabled());
      d->findChild<QCheckBox*>("FinishPass")->setChecked(true);
      QVERIFY(d->findChild<QLineEdit*>("FinishDiameter")->isEnabled());
      entry->setCurrentIndex(entry->findData("Arc"));
      QVERIFY(length->isEnabled());
      auto* form = qobject_cast<QFormLayout*>(length->parentWidget()->layout());
      caption = qobject_cast<QLabel*>(form->labelForField(length))->text();
      d->findChild<QLineEdit*>("Depth")->setText("7");
      static_cast<QDialog*>(d)->reject();
    });
    w.Action("Pocket")->trigger();
    QCOMPARE(caption, QString("Radius"));
    QCOMPARE(w.CurrentJob().CommandMode, 0);
    OnModal([](QWidget* d) {
      QCOMPARE(d->findChild<QLineEdit*>("Depth")->text(), QString("7"));
      QCOMPARE(d->findChild<QComboBox*>("Entry")->currentData().toString(), QString("Arc"));
      static_cast<QDialog*>(d)->reject();
    });
    w.Action("Pocket")->trigger();
    // Contour: no compensation chosen at first; Cut Out disables finishing;
    // deleting the only configuration leaves the name box empty.
    QString saved;
    OnModal([&saved](QWidget* d) {
      auto* comp = d->findChild<QComboBox*>("Compensation");
      QCOMPARE(comp->currentIndex(), -1);
      d->findChild<QCheckBox*>("FinishPass")->setChecked(true);
      QVERIFY(d->findChild<QLineEdit*>("FinishDiameter")->isEnabled());
      comp->setCurrentIndex(comp->findData("Cutout"));
      QVERIFY(!d->findChild<QLineEdit*>("FinishDiameter")->isEnabled());
      auto* name = d->findChild<QComboBox*>("Configuration");
      name->setCurrentText("Mine");
      ReadMessage(saved);
      for (auto* b : d->findChildren<QPushButton*>())
        if (b->text() == "Save") b->click();
      for (auto* b : d->findChildren<QPushButton*>())
        if (b->text() == "Delete") b->click();
      QCOMPARE(name->currentText(), QString(""));
      static_cast<QDialog*>(d)->reject();
    });
    w.Action("Contour")->trigger();
    QCOMPARE(saved, QString("Configuration Mine saved"));
  }

  // A first run has the shipped wall profiles: Add Walls lists them and
  // attaches one without a message about a missing file.
  void addWallsOutOfTheBox() {
    MainWindow w;
    w.show();
    w.OpenDrawing(Examples + "plate_islands.dxf");
    int profiles = 0;
    QString delta;
    OnModal([&](QWidget* d) {
      profiles = d->findChild<QComboBox*>("Profile")->count();
      delta = d->findChild<QLineEdit*>("Delta")->text();
      Picture(d, "add_walls");
      d->findChild<QComboBox*>("Profile")->setCurrentIndex(1);
      d->findChild<QLineEdit*>("Delta")->setText("2");
      for (auto* b : d->findChildren<QPushButton*>())
        if (b->text() == "Apply") b->click();
      static_cast<QDialog*>(d)->reject();
    });
    w.Action("Add Walls")->trigger();
    QCOMPARE(profiles, 5);
    QCOMPARE(delta, QString("0"));
    QCOMPARE(int(w.CurrentJob().Regions[1].WallProfile), 2);
    QCOMPARE(double(w.CurrentJob().Regions[1].WallDelta), 2.0);
  }

  // Every tool-bar command has a picture and a tooltip, and the bar fits a
  // window 1280 pixels wide without an overflow menu.
  void toolBarFits() {
    MainWindow w;
    w.resize(1280, 800);
    w.show();
    auto* bar = w.findChild<QToolBar*>("ToolBar");
    QVERIFY(bar);
    QStringList names;
    for (QAction* a : bar->actions()) {
      if (a->isSeparator()) continue;
      names << a->toolTip();
      QVERIFY2(!a->icon().isNull(), qPrintable(a->toolTip()));
      QWidget* button = bar->widgetForAction(a);
      QVERIFY2(button && button->isVisible(), qPrintable(a->toolTip()));
      QVERIFY(button->geometry().right() < bar->width());
    }
    for (const char* name : {"View Selected", "Show Directions", "Information", "Pocket", "Open DXF, STL"})
      QVERIFY2(names.contains(name), name);
    Picture(&w, "tool_bar");
  }

  // Smaller rules of the Edit, View and File menus.
  void menuDetails() {
    MainWindow w;
    w.show();
    w.OpenDrawing(Examples + "plate_islands.dxf");
    QCOMPARE(w.windowTitle(), QString("Tibrel - plate_islands.dxf"));
    QVERIFY(!w.Action("View Selected")->isEnabled());
    // Machining Order: the space key in the field closes the dialog; Esc
    // then takes the short labels away.
    OnModal([](QWidget* d) {
      auto* start = d->findChild<QSpinBox*>("StartAt");
      start->setValue(2);
      QTest::keyClick(start, Qt::Key_Space);
    });
    w.Action("Set Machining Order")->trigger();
    QCOMPARE(w.StatusText(0), QString("Click on regions in sequence..."));
    QCOMPARE(w.CurrentJob().NextOrderNumber, 2);
    QVERIFY(w.View()->Settings().ShortLabels);
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.View()->Settings().ShortLabels);
    QCOMPARE(w.CurrentJob().CommandMode, 0);
    // Cancel in Move, Scale, and Rotate leaves the click mode too.
    w.Action("Select All Closed")->trigger();
    w.Action("Select Single")->trigger();
    QCOMPARE(w.CurrentJob().CommandMode, int32_t(ModeSelectSingle));
    w.Action("Scale, Move, Rotate")->trigger();
    for (auto* d : w.findChildren<QDialog*>())
      if (d->windowTitle() == "Move, Scale, and Rotate " && d->isVisible()) d->reject();
    QCOMPARE(w.CurrentJob().CommandMode, 0);
    QVERIFY(w.Action("View Selected")->isEnabled());
    // Close forgets the file's name.
    w.Action("Close")->trigger();
    QCOMPARE(w.windowTitle(), QString("Tibrel"));
    QVERIFY(!w.Action("Pocket")->isEnabled());
  }

  // Recent Files and the window's size live in Options.cfg of the program
  // folder, each in its own section.
  void recentFilesAndWindowPlace() {
    QTemporaryDir dir;
    {
      MainWindow w;
      w.resize(777, 555);
      w.show();
      w.OpenDrawing(Examples + "bracket.dxf");
      w.OpenDrawing(SquareDrawing(dir.path(), 10));
      w.OpenDrawing(Examples + "bracket.dxf");
      QVERIFY(w.close());
    }
    const IniFile options = IniFile::Load(ProgramFile("Options.cfg"));
    QCOMPARE(QString::fromStdString(*options.Read("Recent Files", "File1")), QString(Examples + "bracket.dxf"));
    QCOMPARE(QString::fromStdString(*options.Read("Recent Files", "File2")), dir.path() + "/square.dxf");
    QVERIFY(!options.Read("Recent Files", "File3"));
    QCOMPARE(options.ReadInteger("Window", "Width", 0), 777L);
    QVERIFY(options.HasSection("Options"));
    MainWindow again;
    again.ShowAsLastTime();
    QCOMPARE(again.width(), 777);
    QMenu* recent = again.findChild<QMenu*>();
    for (auto* m : again.findChildren<QMenu*>())
      if (m->title() == "Recent &Files") recent = m;
    QCOMPARE(recent->actions().size(), 2);
    recent->actions().at(1)->trigger();
    QCOMPARE(again.windowTitle(), QString("Tibrel - square.dxf"));
  }

  void renderedPixels() {
    Job job;
    TTBRegion r;
    r.Entities = {MakeLine(0, 0, 10, 0), MakeLine(10, 0, 10, 10), MakeLine(10, 10, 0, 10), MakeLine(0, 10, 0, 0)};
    UpdateRegionBox(r);
    job.Regions.push_back(r);
    job.DrawingExtents = RegionExtents(job.Regions);
    ViewState v;
    v.Width = 120, v.Height = 120;
    FitWindow(v, job.DrawingExtents, 10, 10);
    DisplaySettings s;
    const QImage img = RenderJob(job, v, s);
    const ScreenPoint edge = Project(v, 5, 0, 0), centre = Project(v, 5, 5, 0);
    QCOMPARE(img.pixelColor(int(edge.X), int(edge.Y)), ColourOf(s.Colours.UnselectedClosed));
    QCOMPARE(img.pixelColor(int(centre.X), int(centre.Y)), ColourOf(s.Colours.Background));
    job.Regions[1].Selected = 1;
    const QImage selected = RenderJob(job, v, s);
    QCOMPARE(selected.pixelColor(int(edge.X), int(edge.Y)), ColourOf(s.Colours.SelectedClosed));
  }

  // Add Text: modeless, a click in the view (By Point) places the text
  // there, typed positions (Enter Below) add it again, the preview box
  // follows, Esc hides the dialog and ends the mode.
  void addTextByClickAndTyped() {
    MainWindow w;
    w.resize(900, 650);
    w.show();
    w.OpenDrawing(Examples + "bracket.dxf");
    const size_t before = w.CurrentJob().Regions.size();
    w.Action("Add Text")->trigger();
    auto* d = w.findChild<TextDialog*>("TfrmText1");
    QVERIFY(d && d->isVisible() && !d->isModal());
    QCOMPARE(w.CurrentJob().CommandMode, int32_t(ModeTextPlacement));
    QVERIFY(d->findChild<QLabel*>("Font")->text().contains("Liberation Sans"));
    d->findChild<QLineEdit*>("Text")->setText("HI");
    d->findChild<QLineEdit*>("Height")->setText("10");
    ViewWidget* view = w.View();
    const QPoint at(view->width() / 2, view->height() / 2);
    QMouseEvent move(QEvent::MouseMove, QPointF(at), view->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QVERIFY(view->decoration != nullptr);
    QTest::mouseClick(view, Qt::LeftButton, {}, at);
    QCOMPARE(w.CurrentJob().Regions.size(), before + 2);
    double x = 0, y = 0;
    WorldFromScreen(view->State(), at.x(), at.y(), x, y);
    QCOMPARE(d->findChild<QLineEdit*>("X")->text(), QString::asprintf("%.4f", x));
    Picture(&w, "main_window_text");
    d->findChild<QRadioButton*>("EnterBelow")->setChecked(true);
    QCOMPARE(w.CurrentJob().CommandMode, int32_t(ModeTextPlacement2));
    d->findChild<QLineEdit*>("X")->setText("5");
    d->findChild<QLineEdit*>("Y")->setText("5");
    d->findChild<QPushButton*>("btnAddText")->click();
    QCOMPARE(w.CurrentJob().Regions.size(), before + 4);
    QString text;
    ReadMessage(text);
    d->findChild<QLineEdit*>("Text")->setText("");
    d->findChild<QPushButton*>("btnAddText")->click();
    QCOMPARE(text, QString("No Text to convert!"));
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!d->isVisible());
    QCOMPARE(w.CurrentJob().CommandMode, int32_t(ModeIdle));
    QVERIFY(view->decoration == nullptr);
  }

 private:
  std::unique_ptr<TestProgramFolder> folder_;
  static void EXPECT_PROPOSED(const QString& proposed) { QCOMPARE(proposed, QString("bracket.ngc")); }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
