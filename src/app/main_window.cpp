#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QUrl>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <ctime>

#include "app/edit_dialogs.h"
#include "app/icons.h"
#include "app/operation_dialog.h"
#include "app/options_dialog.h"
#include "app/post_dialog.h"
#include "app/text_dialog.h"
#include "app/view_widget.h"
#include "app/nc_editor.h"
#include "editor/nc_dxf.h"
#include "core/files.h"
#include "core/ini.h"
#include "core/program_folder.h"
#include "job/open_drawing.h"
#include "dxf/writer.h"
#include "job/commands.h"
#include "post/nc_writer.h"
#include "post/options.h"
#include "post/post.h"
#include "job/startup.h"
#include "job/operations.h"
#include "app/board_commands.h"
#include "job/open_gerber.h"
#include "app/mesh_window.h"
#include "job/mesh_commands.h"

namespace tibrel {

namespace {

// Long passes pump the event loop through this, a few times a second at
// most, so that Esc reaches the window while they run.
class WindowProgress : public Progress {
 public:
  explicit WindowProgress(QLabel* panel) : panel_(panel) { timer_.start(); }
  void Begin(const std::string& caption, int64_t total) override {
    caption_ = QString::fromStdString(caption);
    total_ = total;
    panel_->setText(caption_);
  }
  void Advance(int64_t done) override {
    if (total_ > 0 && timer_.elapsed() > 100) panel_->setText(caption_ + QString(" %1%").arg(100 * done / total_));
  }
  void Pump() override {
    if (timer_.elapsed() < 50) return;
    timer_.restart();
    QApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
  }

 private:
  QLabel* panel_;
  QString caption_;
  int64_t total_ = 0;
  QElapsedTimer timer_;
};

struct BusyCursor {
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

MainWindow::MainWindow() {
  setWindowTitle("Tibrel");
  view_ = new ViewWidget(job_, this);
  setCentralWidget(view_);
  for (int k = 0; k < 4; ++k) {
    panels_[k] = new QLabel(this);
    panels_[k]->setObjectName(QString("Panel%1").arg(k));
    statusBar()->addWidget(panels_[k]);
  }
  progress_ = std::make_unique<WindowProgress>(panels_[0]);
  job_.ProgressSink = progress_.get();
  chooseFile = [this](const QString& caption, const QString& filter, const QString& proposed, bool save) {
    return save ? QFileDialog::getSaveFileName(this, caption, proposed, filter, nullptr,
                                               QFileDialog::DontConfirmOverwrite)
                : QFileDialog::getOpenFileName(this, caption, proposed, filter);
  };
  view_->onClick = [this](double x, double y) { Click(x, y); };
  view_->onRectangle = [this](double x1, double y1, double x2, double y2) { Rectangle(x1, y1, x2, y2); };
  view_->onCursor = [this](double x, double y) {
    Status(QString::asprintf("%5.4f, %5.4f", x, y).toStdString(), 3);
    if (job_.CommandMode == ModeTextPlacement)
      if (auto* text = findChild<TextDialog*>()) text->Follow(x, y);
  };
  view_->onPainted = [this](const std::string& s) { panels_[2]->setText(QString::fromStdString(s)); };
  ReadSettings();
  BuildMenus();
  for (OperationDialog which : {OperationDialog::Pocket, OperationDialog::Contour, OperationDialog::Drill})
    operationDialogs_[which] = new MachiningDialog(which, configPath_, job_.Options.Overlap, job_.DrawingUnits, this);
  EnableCommands();
  ReadWindowPlace();
  Status("Ready...");
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  job_.ProgressSink = nullptr;
}

void MainWindow::ReadSettings() {
  configPath_ = ProgramFile("Configurations.cfg");
  postsPath_ = ProgramFile("Posts.cfg");
  try {
    ApplySettings(StartUp(job_));
  } catch (const std::exception& e) {
    Status(e.what(), 2);
  }
}

QAction* MainWindow::Action(const QString& name) const {
  const auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QString MainWindow::StatusText(int panel) const { return panels_[panel]->text(); }

void MainWindow::Status(const std::string& text, int panel) { panels_[panel]->setText(QString::fromStdString(text)); }

QAction* MainWindow::AddCommand(QMenu* menu, const QString& caption, std::function<void()> f, const QKeySequence& key) {
  QAction* a = menu->addAction(caption);
  a->setShortcut(key);
  connect(a, &QAction::triggered, this, [this, f] {
    if (busy_) return;  // only Esc acts while a pass runs
    f();
    // A command that leaves the window-drag modes takes the band away.
    const int32_t m = job_.CommandMode;
    if (m != ModeZoomWindow && m != ModeSelectWindow && m != ModeDeselectWindow) view_->DisarmRubberBand();
  });
  QString name = caption;
  actions_[name.remove('&')] = a;
  return a;
}

void MainWindow::BuildMenus() {
  auto add = [this](QMenu* menu, const QString& caption, std::function<void()> f, const QKeySequence& key = {}) {
    return AddCommand(menu, caption, std::move(f), key);
  };
  QMenu* file = menuBar()->addMenu("&File");
  add(file, "&Open DXF, STL", [this] {
    const QString path = chooseFile("Open",
                                    "DXF or STL Files (*.dxf *.DXF *.Dxf *.stl *.STL *.Stl);;"
                                    "DXF Files (*.dxf *.DXF *.Dxf);;STL Files (*.stl *.STL *.Stl);;All Files (*)",
                                    {}, false);
    if (!path.isEmpty()) OpenDrawing(path);
  }, QKeySequence::Open);
  add(file, "Open &Gerber", [this] {
    const QString path = chooseFile("Open Gerber", GerberFileFilter, {}, false);
    if (!path.isEmpty()) OpenGerber(path);
  });
  recentMenu_ = file->addMenu("Recent &Files");
  FillRecentFiles();
  file->addSeparator();
  add(file, "&Save Toolpaths CNC", [this] { SaveProgramCommand(); }, QKeySequence::Save);
  add(file, "Save &Toolpaths DXF", [this] { SaveDxfCommand(true); });
  add(file, "Save &Geometry DXF", [this] { SaveDxfCommand(false); });
  file->addSeparator();
  add(file, "Add &Text", [this] {
    auto* text = findChild<TextDialog*>();
    if (!text) {
      text = new TextDialog(job_, view_, [this](const CommandResult& r) {
        Tell(r);
        if (r.Changed) EnableCommands();
      }, this);
    }
    Set2D(view_->State());
    Action("3D View")->setChecked(false);
    text->show();
    text->raise();
  });
  add(file, "&Close", [this] { CloseJob(); });
  add(file, "E&xit", [this] { close(); }, QKeySequence::Quit);

  QMenu* edit = editMenu_ = menuBar()->addMenu("&Edit");
  add(edit, "Delete Selected Regions", [this] {
    if (QMessageBox::question(this, "Tibrel", DeleteQuestion, QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
      return;
    Tell(DeleteSelectedRegions(job_));
    EnableCommands();
  });
  add(edit, "Reverse Dir of Selected Regions", [this] { Tell(ReverseSelectedRegions(job_)); });
  add(edit, "Change First Entity", [this] {
    SetMode(ModeChangeFirstEntity, "Choose New First Entity of a Closed Region");
    Action("Show Directions")->setChecked(true);
    view_->Settings().Directions = true;
    view_->update();
  });
  add(edit, "Explode Selected", [this] {
    Tell(ExplodeSelected(job_));
    EnableCommands();
  });
  add(edit, "Join Selected", [this] { Tell(JoinSelected(job_)); });
  add(edit, "Combine Selected Regions", [this] { Tell(CombineSelected(job_)); });
  edit->addSeparator();
  add(edit, "Change Depths", [this] {
    auto* d = new AddDepthsDialog(job_, [this](const std::string& st, const std::string& m) { Report(st, m); }, this);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->show();
  });
  add(edit, "Add Walls", [this] {
    const std::string problem = EnsureWallProfiles(job_);
    if (!problem.empty()) QMessageBox::warning(this, "Tibrel", QString::fromStdString(problem));
    AddWallsDialog d(job_, [this](const std::string& st, const std::string& m) { Report(st, m); }, this);
    d.exec();
  });
  add(edit, "Set Machining Order", [this] {
    MachiningOrderDialog d(static_cast<int>(job_.Regions.size()) - 1, this);
    if (d.exec() != QDialog::Accepted) return;
    Tell(BeginMachiningOrder(job_, d.StartAt()));
    Action("Show Directions")->setChecked(true);
    view_->Settings().Directions = true;
    view_->Settings().ShortLabels = true;
    view_->update();
  });
  add(edit, "Scale, Mo&ve, Rotate", [this] {
    if (!AnythingSelected(job_)) {
      QMessageBox::information(this, "Tibrel", "Nothing Is Selected");
      return;
    }
    auto* d = new MoveScaleRotateDialog(job_, [this](const std::string& st, const std::string& m) { Report(st, m); }, this);
    d->setAttribute(Qt::WA_DeleteOnClose);
    connect(d, &QDialog::finished, this, [this] { job_.CommandMode = ModeIdle; });
    d->show();
  });

  BuildModelMenu();

  QMenu* setup = menuBar()->addMenu("Set&up");
  add(setup, "&Options", [this] {
    TTBSettings s;
    s.Options = job_.Options;
    s.View = view_->Settings().Colours;
    s.Rough = job_.RoughTolerances;
    s.Finish = job_.FinishTolerances;
    s.Editor = editorColours_;
    std::vector<std::string> posts;
    try {
      posts = IniFile::Load(postsPath_).Sections();
    } catch (const std::exception&) {
    }
    OptionsDialog d(
        s, posts, ProgramFile("Options.cfg"), [this](const TTBSettings& now) { ApplySettings(now); },
        [this](const std::string& name) {
          try {
            LoadPost(job_.CurrentPost, name, postsPath_);
          } catch (const std::exception& e) {
            QMessageBox::warning(this, "Tibrel", e.what());
          }
        },
        this);
    d.exec();
    view_->update();
  });
  add(setup, "&Post Processor Setup", [this] {
    PostDialog d(job_.CurrentPost, postsPath_, this);
    d.exec();
  });

  QMenu* select = menuBar()->addMenu("&Select");
  add(select, "Select &All", [this] {
    const CommandResult r = DuringPass([this] { return SelectAll(job_); });
    Tell(r);
  });
  add(select, "Select All &Closed", [this] {
    job_.CommandMode = ModeSelectAllClosed;
    const CommandResult r = DuringPass([this] { return SelectAllClosed(job_); });
    job_.CommandMode = ModeIdle;
    Tell(r);
  });
  add(select, "Select All &Open", [this] { Tell(SelectAllOpen(job_)); });
  add(select, "Select &Empty Circles", [this] { Tell(SelectEmptyCircles(job_)); });
  add(select, "Select Single", [this] { SetMode(ModeSelectSingle, "Select Single Region..."); });
  add(select, "Select Region", [this] { SetMode(ModeSelectRegion, "Click on outer Region...Islands detected automatically."); });
  add(select, "Single Boundary", [this] { SetMode(ModeSingleBoundary, "Select Boundary to Add"); });
  add(select, "Single Island", [this] { SetMode(ModeSingleIsland, "Select Boundary to this Island"); });
  add(select, "Select All as Islands (PCB)", [this] {
    job_.CommandMode = ModeAllAsIslands;
    const CommandResult r = DuringPass([this] { return SelectAllAsIslands(job_, 4 / view_->State().Sx); });
    job_.CommandMode = ModeIdle;
    Tell(r);
  });
  add(select, "Select Window", [this] {
    SetMode(ModeSelectWindow, "Click and Drag selection window...");
    view_->ArmRubberBand(false);
  });
  select->addSeparator();
  add(select, "&DeSelect All", [this] { Tell(DeselectAll(job_)); });
  add(select, "DeSelect Single", [this] { SetMode(ModeDeselectSingle, "Click on Region to DeSelect it..."); });
  add(select, "DeSelect Region", [this] { SetMode(ModeDeselectRegion, "Click on Region...Islands DeSelected automatically."); });
  add(select, "DeSelect Window", [this] {
    SetMode(ModeDeselectWindow, "Click and Drag DeSelection window...");
    view_->ArmRubberBand(false);
  });
  add(select, "DeSelect All Open", [this] { Tell(DeselectAllOpen(job_)); });
  add(select, "DeSelect All Closed", [this] { Tell(DeselectAllClosed(job_)); });
  add(select, "DeSelect Empty Circles", [this] { Tell(DeselectEmptyCircles(job_)); });
  add(select, "Cancel", [this] {
    view_->Settings().ShortLabels = false;
    view_->DisarmRubberBand();
    job_.CommandMode = ModeIdle;
    job_.CancelRequested = 0;
    Status("Ready...");
    view_->update();
  });
  view_->setContextMenuPolicy(Qt::ActionsContextMenu);
  view_->addActions(select->actions());

  QMenu* paths = menuBar()->addMenu("&ToolPaths");
  add(paths, "&Pocket", [this] { RunOperation(OperationDialog::Pocket); });
  add(paths, "&Contour", [this] { RunOperation(OperationDialog::Contour); });
  add(paths, "&Drill", [this] { RunOperation(OperationDialog::Drill); });
  add(paths, "PC &Board", [this] { RunPcBoard(); });
  add(paths, "P&rototype", [this] { RunPrototypeCommand(); });

  QMenu* view = menuBar()->addMenu("&View");
  add(view, "Zoom &All", [this] { view_->ZoomAll(); });
  add(view, "Zoom &In", [this] { ZoomBy(view_->State(), 0.2), view_->update(); });
  add(view, "Zoom &Out", [this] { ZoomBy(view_->State(), -0.2), view_->update(); });
  add(view, "Zoom &Previous", [this] { ZoomPrevious(view_->State()), view_->update(); });
  add(view, "Zoom Se&lected", [this] {
    const auto box = SelectionBox(job_.Regions);
    if (!box) return;
    TExtents e;
    e.XMin = box->XMin, e.XMax = box->XMax, e.YMin = box->YMin, e.YMax = box->YMax;
    FitWindow(view_->State(), e, 20, 20);
    view_->update();
  });
  add(view, "Zoom &Window", [this] {
    SetMode(ModeZoomWindow, "Click and Drag Selection Window");
    view_->ArmRubberBand(true);
  });
  QAction* three = add(view, "3D &View", [this] {
    SetView3D(view_->State().Mode != View3D);
    view_->ZoomAll();
  });
  three->setCheckable(true);
  view->addSeparator();
  for (auto [caption, content] : {std::pair{"&View All", ContentAll}, std::pair{"View &Selected", ContentSelected},
                                  std::pair{"View &ToolPaths", ContentToolpaths}}) {
    QAction* a = add(view, caption, [this, content = content] { SetContent(content); });
    a->setCheckable(true);
  }
  QAction* dirs = add(view, "Show &Directions", [this] {
    view_->Settings().Directions = Action("Show Directions")->isChecked();
    view_->update();
  });
  dirs->setCheckable(true);
  QAction* info = add(view, "&Information", [this] {
    view_->Settings().Information = Action("Information")->isChecked();
    view_->update();
  });
  info->setCheckable(true);
  add(view, "&Redraw", [this] { view_->update(); });
  QAction* bar = add(view, "Show Tool &Bar", [this] { toolBar_->setVisible(Action("Show Tool Bar")->isChecked()); });
  bar->setCheckable(true);
  bar->setChecked(true);

  ncEditor_ = new NcEditor(
      *this, job_, editorColours_, *view_, *file, *view,
      [this](const QString& c, const QString& f, const QString& p, bool save) { return chooseFile(c, f, p, save); },
      [this](const std::string& text, int panel) { Status(text, panel); });

  QMenu* help = menuBar()->addMenu("&Help");
  add(help, "Help &Contents", [this] {
    const QString manual = QString::fromStdString(ResourceFolder()) + "/Tibrel.html";
    if (!QFileInfo::exists(manual) || !QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
      QMessageBox::information(this, "Tibrel", "The manual is at " + manual);
  }, QKeySequence::HelpContents);
  add(help, "&About", [this] {
    QMessageBox::about(this, "About Tibrel", "Tibrel\nCAM for small CNC mills, routers and engravers.");
  });

  toolBar_ = addToolBar("Main");
  toolBar_->setObjectName("ToolBar");
  toolBar_->setIconSize(QSize(24, 24));
  for (const char* name : {"Open DXF, STL", "Save Toolpaths CNC", "|", "Zoom All", "Zoom In", "Zoom Out", "Zoom Window",
                           "|", "Select All Closed", "|", "Pocket", "Contour", "Drill", "|", "View All",
                           "View Selected", "View ToolPaths", "Show Directions", "Information"}) {
    if (name[0] == '|') {
      toolBar_->addSeparator();
      continue;
    }
    QAction* a = Action(name);
    a->setIcon(CommandIcon(name));
    a->setToolTip(name);
    toolBar_->addAction(a);
  }
  SetContent(ContentAll);
}

void MainWindow::EnableCommands() {
  const bool regions = job_.Regions.size() > 1;
  const bool made = job_.Toolpaths.size() > 1;
  for (const char* name : {"Select All", "Select All Closed", "Select All Open", "Select Empty Circles", "DeSelect All",
                           "Select Single", "Select Region", "Select Window", "DeSelect Single", "DeSelect Window",
                           "DeSelect Region", "Single Boundary", "Single Island", "Select All as Islands (PCB)", "DeSelect All Open",
                           "DeSelect All Closed", "DeSelect Empty Circles",
                           "Pocket", "Contour", "Drill", "Save Geometry DXF", "View Selected", "Delete Selected Regions",
                           "Reverse Dir of Selected Regions", "Change First Entity", "Explode Selected", "Join Selected",
                           "Combine Selected Regions", "Change Depths", "Add Walls", "Set Machining Order",
                           "Scale, Move, Rotate", "PC Board"})
    Action(name)->setEnabled(regions);
  for (const char* name : {"Save Toolpaths CNC", "Save Toolpaths DXF", "View ToolPaths"}) Action(name)->setEnabled(made);
  Action("View Selected")->setEnabled(AnythingSelected(job_));
  EnableModelCommands();
}

void MainWindow::Tell(const CommandResult& r) {
  if (!r.Message.empty()) QMessageBox::information(this, "Tibrel", QString::fromStdString(r.Message));
  if (!r.Status.empty()) Status(r.Status);
  AfterSelection();
}

void MainWindow::ApplySettings(const TTBSettings& s) {
  tibrel::ApplySettings(job_, s);
  editorColours_ = s.Editor;
  view_->Settings().Colours = s.View;
  view_->update();
}

void MainWindow::Report(const std::string& status, const std::string& message) {
  if (!message.empty()) QMessageBox::information(this, "Tibrel", QString::fromStdString(message));
  if (!status.empty()) Status(status);
  view_->update();
}

void MainWindow::AfterSelection() {
  Action("View Selected")->setEnabled(AnythingSelected(job_));
  view_->update();
}

void MainWindow::SetContent(int content) {
  view_->Settings().Content = content;
  Action("View All")->setChecked(content == ContentAll);
  Action("View Selected")->setChecked(content == ContentSelected);
  Action("View ToolPaths")->setChecked(content == ContentToolpaths);
  view_->update();
}

void MainWindow::SetMode(int32_t mode, const char* prompt) {
  view_->DisarmRubberBand();
  view_->Settings().ShortLabels = false;
  job_.CommandMode = mode;
  Status(prompt);
}

void MainWindow::OpenDrawing(const QString& path) {
  if (!readGerber_ && IsStlPath(path.toStdString())) {
    OpenModel(path);
    return;
  }
  job_.CommandMode = ModeIdle;
  job_.CancelRequested = 0;
  view_->DisarmRubberBand();
  view_->Settings().ShortLabels = false;
  Status(("Loading " + QFileInfo(path).completeBaseName()).toStdString());
  const OpenResult r = DuringPass([&] {
    return readGerber_ ? OpenGerberFile(job_, path.toStdString()) : OpenDxfFile(job_, path.toStdString());
  });
  for (const auto& n : r.Notices) QMessageBox::information(this, "Tibrel", QString::fromStdString(n));
  if (!r.Error.empty()) QMessageBox::warning(this, "Tibrel", QString::fromStdString(r.Error));
  Status(r.Loaded ? r.Status + "   " + UnitsMessage(r.DrawingUnits, r.UnitsInDrawing) : r.Status);
  if (r.Loaded) {
    setWindowTitle("Tibrel - " + QFileInfo(path).fileName());
    RememberFile(path);
    job_.Mesh.clear();
    job_.Toolpaths3D.clear();
    SetView3D(false);
    view_->ZoomAll();
    SetContent(ContentAll);
  }
  EnableCommands();
  view_->update();
}

void MainWindow::RunOperation(OperationDialog which) {
  job_.CancelRequested = 0;
  const bool drill = which == OperationDialog::Drill;
  if (!drill && !AnythingSelected(job_)) {
    QMessageBox::information(this, "Tibrel", NothingSelectedMessage);
    return;
  }
  MachiningDialog& dialog = *operationDialogs_.at(which);
  dialog.SetUnits(job_.DrawingUnits);
  dialog.SetOverlap(job_.Options.Overlap);
  if (dialog.exec() != QDialog::Accepted) {
    job_.CommandMode = ModeIdle;
    return;
  }
  if (drill && !AnythingSelected(job_)) {
    QMessageBox::information(this, "Tibrel", NothingSelectedMessage);
    return;
  }
  try {
    ApplyOperationFields(job_, which, dialog.Fields(), dialog.DepthText(), configPath_);
  } catch (const std::exception& e) {
    Status(e.what(), 2);
  }
  const OperationResult r = DuringPass([&] { return tibrel::RunOperation(job_, which); });
  EnableCommands();
  if (r.Made) SetContent(ContentToolpaths);
  // The field at fault, where the parameters were refused.
  Status(r.Problem.empty() ? r.Status : r.Problem);
  if (!r.Message.empty()) QMessageBox::information(this, "Tibrel", QString::fromStdString(r.Message));
  view_->update();
}

bool MainWindow::SaveProgram(const QString& path, bool append) {
  job_.CurrentPost.Append = append;
  try {
    BusyCursor busy;
    if (job_.ModelLoaded) {
      SaveToolpaths3D(job_, path.toStdString());
    } else {
      WriteNcProgram(job_.Toolpaths,
                     NcCommentLines(job_.CurrentPost, job_.MachiningParameters, job_.DrawingName, std::time(nullptr),
                                    job_.DrawingUnits),
                     job_.MachiningParameters, job_.CurrentPost, job_.DrawingUnits, path.toStdString());
    }
  } catch (const std::exception& e) {
    QMessageBox::warning(this, "Tibrel", e.what());
    return false;
  }
  Status("Saved " + path.toStdString());
  return true;
}

void MainWindow::SaveProgramCommand() {
  const TTBPostProcessor& post = job_.CurrentPost;
  const QString ext = QString::fromStdString(post.Extension);
  const QString filter = QString::fromStdString(post.Name) + " Files (*." + ext + ");;All Files (*)";
  const QString path = chooseFile("Save Toolpaths CNC", filter, QString::fromStdString(job_.DrawingName) + "." + ext, true);
  if (path.isEmpty()) return;
  bool append = false;
  if (QFileInfo::exists(path)) {
    QMessageBox box(QMessageBox::Question, "File Exist!", "File Exists!  Would you like to Overwrite or Append this file",
                    QMessageBox::NoButton, this);
    QPushButton* overwrite = box.addButton("Overwrite", QMessageBox::AcceptRole);
    box.addButton("Append", QMessageBox::AcceptRole);
    box.exec();
    append = box.clickedButton() != overwrite;
  }
  SaveProgram(path, append);
}

void MainWindow::SaveDxfCommand(bool toolpaths) {
  job_.CommandMode = ModeIdle;
  const QString path = chooseFile(toolpaths ? "Save Toolpaths DXF" : "Save Geometry DXF", "DXF Files (*.Dxf *.dxf)",
                                  QString::fromStdString(job_.DrawingName) + ".Dxf", true);
  if (path.isEmpty()) return;
  try {
    if (toolpaths && job_.EditorShown) SaveNcPathDxf(job_.NcProgram, job_.DrawingUnits, path.toStdString());
    else if (toolpaths) SaveToolpathsDxf(job_.Toolpaths, job_.DrawingUnits, path.toStdString());
    else SaveGeometryDxf(job_.Regions, job_.DrawingUnits, path.toStdString());
  } catch (const std::exception& e) {
    QMessageBox::warning(this, "Tibrel", e.what());
  }
}

void MainWindow::CloseJob() {
  job_.Regions = EmptyRegionList();
  job_.Toolpaths = EmptyToolpathList();
  job_.Mesh.clear();
  job_.Toolpaths3D.clear();
  job_.ModelLoaded = 0;
  job_.DrawingName.clear();
  setWindowTitle("Tibrel");
  if (ncEditor_ && job_.EditorShown) ncEditor_->Clear();
  EnableCommands();
  view_->update();
}

void MainWindow::Click(double x, double y) {
  // Eight pixels around the pointer.
  const double pick = 8 / view_->State().Sx;
  CommandResult r;
  switch (job_.CommandMode) {
    case ModeSelectSingle: r = SelectSingleAt(job_, {x, y}, pick); break;
    case ModeSelectRegion: r = SelectRegionAt(job_, {x, y}, pick); break;
    case ModeDeselectSingle: r = DeselectSingleAt(job_, {x, y}, pick); break;
    case ModeDeselectRegion: r = DeselectRegionAt(job_, {x, y}, pick); break;
    case ModeSingleBoundary: r = SingleBoundaryAt(job_, {x, y}, pick); break;
    case ModeSingleIsland:
    case ModeSingleIslandBoundary: r = SingleIslandAt(job_, {x, y}, pick); break;
    case ModeChangeFirstEntity: r = ChangeFirstEntityAt(job_, {x, y}, pick); break;
    case ModeMachiningOrder: r = MachiningOrderClick(job_, {x, y}, pick); break;
    case ModeTextPlacement:
      if (auto* text = findChild<TextDialog*>()) text->Place(x, y);
      return;
    default: return;
  }
  view_->Settings().ShortLabels = job_.CommandMode == ModeMachiningOrder;
  Tell(r);
}

void MainWindow::Rectangle(double x1, double y1, double x2, double y2) {
  if (job_.CommandMode == ModeSelectWindow) Tell(SelectWindow(job_, {x1, y1}, {x2, y2}));
  else if (job_.CommandMode == ModeDeselectWindow) Tell(DeselectWindow(job_, {x1, y1}, {x2, y2}));
  if (job_.CommandMode == ModeSelectWindow || job_.CommandMode == ModeDeselectWindow || job_.CommandMode == ModeZoomWindow) {
    Status("Ready...");
    job_.CommandMode = ModeIdle;
  }
}

namespace {

// Recent files and the window's place are kept in Options.cfg, each in a
// section of its own that the options dialog leaves alone.
constexpr const char* RecentSection = "Recent Files";
constexpr const char* WindowSection = "Window";
constexpr int RecentCount = 8;

}  // namespace

void MainWindow::RememberFile(const QString& path) {
  const std::string options = ProgramFile("Options.cfg");
  try {
    IniFile file = IniFile::Load(options);
    QStringList names{QFileInfo(path).absoluteFilePath()};
    for (int k = 1; k <= RecentCount; ++k) {
      const auto name = file.Read(RecentSection, "File" + std::to_string(k));
      if (name && !names.contains(QString::fromStdString(*name))) names << QString::fromStdString(*name);
    }
    file.EraseSection(RecentSection);
    for (int k = 0; k < std::min<int>(RecentCount, names.size()); ++k)
      file.Write(RecentSection, "File" + std::to_string(k + 1), names[k].toStdString());
    file.Save(options);
  } catch (const std::exception&) {
    // The list is a convenience: a settings file that cannot be written
    // loses it, nothing else.
  }
  FillRecentFiles();
}

void MainWindow::FillRecentFiles() {
  recentMenu_->clear();
  try {
    const IniFile file = IniFile::Load(ProgramFile("Options.cfg"));
    for (int k = 1; k <= RecentCount; ++k) {
      const auto name = file.Read(RecentSection, "File" + std::to_string(k));
      if (!name) continue;
      const QString path = QString::fromStdString(*name);
      QAction* a = recentMenu_->addAction(QString("&%1 %2").arg(k).arg(QFileInfo(path).fileName()));
      a->setToolTip(path);
      connect(a, &QAction::triggered, this, [this, path] {
        if (!busy_) OpenDrawing(path);
      });
    }
  } catch (const std::exception&) {
  }
  recentMenu_->setEnabled(!recentMenu_->isEmpty());
}

void MainWindow::ReadWindowPlace() {
  try {
    const IniFile file = IniFile::Load(ProgramFile("Options.cfg"));
    if (!file.HasSection(WindowSection)) return;
    const int w = static_cast<int>(file.ReadInteger(WindowSection, "Width", 0));
    const int h = static_cast<int>(file.ReadInteger(WindowSection, "Height", 0));
    if (w >= 200 && h >= 150) {
      resize(w, h);
      move(static_cast<int>(file.ReadInteger(WindowSection, "X", 0)),
           static_cast<int>(file.ReadInteger(WindowSection, "Y", 0)));
    }
    placeRead_ = true;
    maximisedBefore_ = file.ReadBool(WindowSection, "Maximised", true);
  } catch (const std::exception&) {
  }
}

void MainWindow::SaveWindowPlace() {
  const std::string options = ProgramFile("Options.cfg");
  try {
    IniFile file = IniFile::Load(options);
    const QRect r = normalGeometry();
    file.Write(WindowSection, "X", std::to_string(r.x()));
    file.Write(WindowSection, "Y", std::to_string(r.y()));
    file.Write(WindowSection, "Width", std::to_string(r.width()));
    file.Write(WindowSection, "Height", std::to_string(r.height()));
    file.Write(WindowSection, "Maximised", isMaximized() ? "1" : "0");
    file.Save(options);
  } catch (const std::exception&) {
  }
}

void MainWindow::ShowAsLastTime() {
  if (!placeRead_ || maximisedBefore_) showMaximized();
  else show();
}

void MainWindow::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  // Panel 0 takes what the others leave: a sixth, a tenth and an eighteenth.
  const int w = width();
  const int widths[4] = {w - w / 6 - w / 10 - w / 18, w / 18, w / 10, w / 6};
  for (int k = 0; k < 4; ++k) panels_[k]->setFixedWidth(std::max(10, widths[k] - 8));
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    if (job_.CommandMode == ModeTextPlacement || job_.CommandMode == ModeTextPlacement2)
      if (auto* text = findChild<TextDialog*>()) text->hide();
    Escape();
    return;
  }
  QMainWindow::keyPressEvent(e);
}

void MainWindow::Escape() {
  job_.CancelRequested = 1;
  job_.CommandMode = ModeIdle;
  view_->DisarmRubberBand();
  if (view_->Settings().ShortLabels) {
    view_->Settings().ShortLabels = false;
    view_->update();
  }
}

void MainWindow::BeginPass() {
  busy_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  menuBar()->setEnabled(false);
  toolBar_->setEnabled(false);
  qApp->installEventFilter(this);
}

void MainWindow::EndPass() {
  qApp->removeEventFilter(this);
  menuBar()->setEnabled(true);
  toolBar_->setEnabled(true);
  QApplication::restoreOverrideCursor();
  busy_ = false;
}

// Installed on the application while a pass runs: Esc, wherever the focus
// is, stops it; every other key, click, wheel turn or shortcut aimed at this
// window is dropped, so nothing changes the job under the pass.
bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
  if (!busy_) return QMainWindow::eventFilter(watched, e);
  switch (e->type()) {
    case QEvent::KeyPress:
      if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) Escape();
      return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
      return true;
    default:
      return QMainWindow::eventFilter(watched, e);
  }
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (busy_) {
    e->ignore();
    return;
  }
  if (Action("Save Toolpaths CNC")->isEnabled() && (job_.Toolpaths.size() > 1 || Has3DToolpaths(job_))) {
    const auto answer = QMessageBox::question(this, "Tibrel", "Save toolpaths before exiting?",
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel) {
      e->ignore();
      return;
    }
    if (answer == QMessageBox::Yes) SaveProgramCommand();
  }
  SaveWindowPlace();
  e->accept();
}

}  // namespace tibrel
