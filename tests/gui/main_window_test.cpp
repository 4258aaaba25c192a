// The main window driven as a user would, offscreen: open a drawing, select,
// fill the Pocket dialog, make toolpaths, save the program; the messages of
// the failure paths; Esc during a long pocket.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QComboBox>

#include "core/ini.h"
#include "core/program_folder.h"
#include <QtTest/QtTest>

#include "app/main_window.h"
#include "app/painter.h"
#include "app/view_widget.h"
#include "core/files.h"

using namespace tibrel;

namespace {

const QString Examples = QStringLiteral(TIBREL_SOURCE_DIR "/examples/");

// With TIBREL_SCREENSHOTS naming a folder, pictures of what the user sees.
void Picture(QWidget* w, const QString& name) {
  const QByteArray dir = qgetenv("TIBREL_SCREENSHOTS");
  if (!dir.isEmpty()) w->grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

// Answers the next modal dialog when it appears: a message box is read and
// closed; a machining dialog gets the fields and its command button.
// Gives up after 20 s.
void WhenModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  auto* clock = new QElapsedTimer;
  clock->start();
  QObject::connect(timer, &QTimer::timeout, [timer, act, clock] {
    if (clock->elapsed() > 20000) {
      timer->stop();
      timer->deleteLater();
      delete clock;
      return;
    }
    if (QWidget* w = QApplication::activeModalWidget()) {
      delete clock;
      timer->stop();
      timer->deleteLater();
      act(w);
    }
  });
  timer->start();
}

void CaptureMessage(QString& text) {
  WhenModal([&text](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    text = box ? box->text() : QString("not a message box");
    if (box) box->accept();
    else static_cast<QDialog*>(w)->reject();
  });
}

// message: where the message box that follows the run puts its text.
void FillAndRun(const std::map<QString, QString>& fields, const QString& depth, QString* message = nullptr) {
  WhenModal([fields, depth, message](QWidget* w) {
    for (const auto& [key, value] : fields) {
      auto* edit = w->findChild<QLineEdit*>(key);
      QVERIFY2(edit, qPrintable(key));
      edit->setText(value);
    }
    w->findChild<QLineEdit*>("Depth")->setText(depth);
    Picture(w, w->windowTitle());
    w->findChild<QPushButton*>("Run")->click();
    if (message) CaptureMessage(*message);
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

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void pocketEndToEnd() {
    MainWindow w;
    w.resize(1000, 700);
    w.show();
    w.OpenDrawing(Examples + "bracket.dxf");
    QCOMPARE(w.StatusText(0), QString("8 Regions Created... 0 Open"));
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
    WhenModal([&asked](QWidget* m) {
      auto* box = qobject_cast<QMessageBox*>(m);
      asked = box->text();
      box->button(QMessageBox::Cancel)->click();
    });
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
    WhenModal([](QWidget* d) {
      d->findChild<QLineEdit*>("RoughDiameter")->setText("3");
      d->findChild<QLineEdit*>("RoughStepZ")->setText("2");
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
    CaptureMessage(text);
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
    QCOMPARE(w.StatusText(0), QString("1 Regions Created... 0 Open"));
    w.Action("Select All Closed")->trigger();
    FillAndRun({{"RoughDiameter", "0.2"}, {"RoughStepXY", "0.002"}, {"RoughStepZ", "0"}}, "1");
    QTimer::singleShot(150, &w, [&w] { QTest::keyClick(&w, Qt::Key_Escape); });
    QString text;
    QElapsedTimer t;
    t.start();
    w.Action("Pocket")->trigger();
    // The whole pocket takes several seconds; Esc after 150 ms ends it at once.
    QVERIFY2(t.elapsed() < 1500, qPrintable(QString("the pocket ran %1 ms").arg(t.elapsed())));
    QCOMPARE(w.StatusText(0), QString("Operation Cancelled..."));
    QCOMPARE(w.CurrentJob().CommandMode, 0);
  }

  void editCommands() {
    MainWindow w;
    w.show();
    w.OpenDrawing(Examples + "plate_islands.dxf");
    w.Action("Select All Closed")->trigger();
    // Change Depths stays open beside the window.
    w.Action("Change Depths")->trigger();
    QDialog* depths = w.findChild<QDialog*>();
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
    WhenModal([&question](QWidget* m) {
      auto* box = qobject_cast<QMessageBox*>(m);
      question = box->text();
      box->button(QMessageBox::Cancel)->click();
    });
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
    WhenModal([](QWidget* d) {
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
    WhenModal([&saved, curveBefore](QWidget* d) {
      Picture(d, "options");
      auto* overlap = d->findChild<QLineEdit*>("Overlap");
      overlap->selectAll();
      QTest::keyClicks(overlap, "33");
      // The curve tolerance field shows the value in force.
      auto* curve = d->findChild<QLineEdit*>("CurveTolerance");
      QCOMPARE(curve->text().toDouble(), curveBefore);
      curve->selectAll();
      QTest::keyClicks(curve, "0.0005");
      CaptureMessage(saved);
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
    {
      IniFile posts = IniFile::Load(ProgramFile("Posts.cfg"));
      posts.EraseSection("Test Mill");
      posts.Save(ProgramFile("Posts.cfg"));
    }
    QString message;
    WhenModal([&message](QWidget* d) {
      auto* dialog = static_cast<QDialog*>(d);
      QComboBox* name = d->findChild<QComboBox*>("Name");
      name->setCurrentText("Default");
      d->findChild<QPushButton*>("Edit")->click();
      Picture(d, "post_editor");
      name->setCurrentText("Test Mill");
      CaptureMessage(message);
      d->findChild<QPushButton*>("Save")->click();
      dialog->reject();
    });
    w.Action("Post Processor Setup")->trigger();
    QCOMPARE(message, QString("Test Mill Saved!"));
    const IniFile posts = IniFile::Load(ProgramFile("Posts.cfg"));
    QVERIFY(posts.HasSection("Test Mill"));
    QCOMPARE(posts.Read("Test Mill", "Scripts0"), posts.Read("Default", "Scripts0"));
    QCOMPARE(w.CurrentJob().CurrentPost.Name, std::string("Default"));
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

 private:
  static void EXPECT_PROPOSED(const QString& proposed) { QCOMPARE(proposed, QString("bracket.ngc")); }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
