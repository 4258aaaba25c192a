// The main window: owns the job, carries the commands in its menus and tool
// bar, shows the status panels, runs the click-driven modes and lets Esc
// stop long passes while the window stays responsive.
#pragma once

#include <QKeySequence>
#include <QLabel>
#include <QMainWindow>
#include <functional>

#include "job/job.h"
#include "geometry/selection.h"
#include "post/configurations.h"
#include "post/options.h"

class QAction;
class QMenu;
class QToolBar;

namespace tibrel {

class MachiningDialog;
class StlDialog;
class ViewWidget;
class NcEditor;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  MainWindow();
  ~MainWindow() override;

  Job& CurrentJob() { return job_; }
  ViewWidget* View() { return view_; }
  QAction* Action(const QString& name) const;
  QString StatusText(int panel) const;

  // Opens a drawing as File > Open does (after the file dialog).
  void OpenDrawing(const QString& path);
  // Writes the NC program to path (after the file dialog and the question).
  bool SaveProgram(const QString& path, bool append);

  // Shows the window where and as large as it was when last closed
  // (maximised the first time).
  void ShowAsLastTime();
  // True while a long pass runs: every command but Esc is refused then.
  bool Busy() const { return busy_; }

  // The file dialogs, replaceable for tests: caption, filter, proposed name,
  // save or open; an empty result cancels.
  std::function<QString(const QString&, const QString&, const QString&, bool)> chooseFile;

 protected:
  void keyPressEvent(QKeyEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void closeEvent(QCloseEvent*) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void BuildMenus();
  void ReadSettings();
  void Status(const std::string& text, int panel = 0);
  void Tell(const CommandResult& r);
  void Report(const std::string& status, const std::string& message);
  void ApplySettings(const TTBSettings& s);
  void AfterSelection();
  void EnableCommands();
  void RunOperation(OperationDialog which);
  void OpenGerber(const QString& path);
  void RunPcBoard();
  void SaveProgramCommand();
  void SaveDxfCommand(bool toolpaths);
  void CloseJob();
  void SetContent(int content);
  void SetMode(int32_t mode, const char* prompt);
  void Click(double x, double y);
  void Rectangle(double x1, double y1, double x2, double y2);
  // Esc: stops a pass or leaves the click mode.
  void Escape();
  // Runs a long pass: menus, tool bar and view refuse input meanwhile and
  // Esc stops it. Returns what the pass returns.
  template <class Pass>
  auto DuringPass(Pass pass) {
    BeginPass();
    try {
      auto result = pass();
      EndPass();
      return result;
    } catch (...) {
      EndPass();
      throw;
    }
  }
  void BeginPass();
  void EndPass();
  void RememberFile(const QString& path);
  void FillRecentFiles();
  void ReadWindowPlace();
  void SaveWindowPlace();

  Job job_;
  ViewWidget* view_ = nullptr;
  QLabel* panels_[4] = {};
  QToolBar* toolBar_ = nullptr;
  std::map<QString, QAction*> actions_;
  std::unique_ptr<Progress> progress_;
  std::string configPath_, postsPath_;
  TTBEditorColours editorColours_;
  // Built at start-up and kept, so a dialog shows what it showed last time.
  std::map<OperationDialog, MachiningDialog*> operationDialogs_;
  bool busy_ = false;
  QMenu* recentMenu_ = nullptr;
  bool placeRead_ = false, maximisedBefore_ = true;
  bool readGerber_ = false;  // OpenDrawing reads the file as Gerber
  NcEditor* ncEditor_ = nullptr;

 public:
  NcEditor* Editor() { return ncEditor_; }

  // Opens what path names by its extension: an STL model, an NC program
  // into the editor pane, a Gerber board, else a DXF drawing.
  void OpenFile(const QString& path);
  // Opens an STL model as File > Open does (after the file dialog).
  void OpenModel(const QString& path);

 private:
  QAction* AddCommand(QMenu* menu, const QString& caption, std::function<void()> f, const QKeySequence& key = {});
  // The mesh Edit menu, shown instead of the drawing's while a model is
  // the job.
  void BuildModelMenu();
  // What a model job allows: the menus swapped, the drawing commands off,
  // Prototype on, saving once layers exist.
  void EnableModelCommands();
  void RunPrototypeCommand();
  // The 3D or the plan view, with the View menu's item and panel 1.
  void SetView3D(bool on);
  QMenu* editMenu_ = nullptr;
  QMenu* modelEditMenu_ = nullptr;
  StlDialog* stlDialog_ = nullptr;
};

}  // namespace tibrel
