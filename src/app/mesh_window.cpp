#include "app/mesh_window.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolBar>
#include <algorithm>

#include "app/edit_dialogs.h"
#include "app/icons.h"
#include "app/main_window.h"
#include "app/nc_editor.h"
#include "app/stl_dialog.h"
#include "app/text_dialog.h"
#include "app/view_widget.h"
#include "job/file_kinds.h"
#include "job/mesh_commands.h"
#include "job/operations.h"
#include "view/view.h"

namespace tibrel {

bool Has3DToolpaths(const Job& job) {
  return std::any_of(job.Toolpaths3D.begin(), job.Toolpaths3D.end(), [](const auto& l) { return !l.Points.empty(); });
}

void MainWindow::OpenFile(const QString& path) {
  switch (FileKindOf(path.toStdString(), job_.CurrentPost.Extension)) {
    case FileKind::NcProgram: ncEditor_->OpenProgram(path); break;
    case FileKind::Board: OpenGerber(path); break;
    default: OpenDrawing(path);  // a model by its extension, else DXF
  }
}

void MainWindow::BuildModelMenu() {
  modelEditMenu_ = menuBar()->addMenu("&Edit");
  modelEditMenu_->menuAction()->setVisible(false);
  AddCommand(modelEditMenu_, "&Move, Scale, and Rotate", [this] {
    auto* d = findChild<StlMoveDialog*>();
    if (!d) {
      d = new StlMoveDialog(job_, [this](const std::string& st, const std::string& m) {
        Report(st, m);
        view_->ZoomAll();
      }, this);
      d->setAttribute(Qt::WA_DeleteOnClose);
    }
    d->Refresh();
    d->show();
    d->raise();
  });
  AddCommand(modelEditMenu_, "&Flip Model", [this] {
    FlipJobModel(job_);
    if (auto* d = findChild<StlMoveDialog*>()) d->Refresh();
    view_->update();
  });
  stlDialog_ = new StlDialog(configPath_, this);
  stlDialog_->onMaleChosen = [this](int32_t male) { job_.MachiningParameters.Prototype.Male = male; };
}

void MainWindow::EnableModelCommands() {
  // Prototype joins the tool bar's toolpath buttons, after Drill.
  QAction* prototype = Action("Prototype");
  if (toolBar_ && !toolBar_->actions().contains(prototype)) {
    const QList<QAction*> shown = toolBar_->actions();
    const qsizetype drill = shown.indexOf(Action("Drill"));
    prototype->setIcon(CommandIcon("Prototype"));
    prototype->setToolTip("Prototype");
    toolBar_->insertAction(drill >= 0 && drill + 1 < shown.size() ? shown[drill + 1] : nullptr, prototype);
  }
  const bool model = job_.ModelLoaded && !job_.Mesh.empty();
  editMenu_->menuAction()->setVisible(!model);
  modelEditMenu_->menuAction()->setVisible(model);
  for (QAction* a : modelEditMenu_->actions()) a->setEnabled(model);
  prototype->setEnabled(model);
  // Text is set into a drawing, never beside a model.
  Action("Add Text")->setEnabled(!model);
  view_->setContextMenuPolicy(model ? Qt::NoContextMenu : Qt::ActionsContextMenu);
  if (!model) {
    if (auto* d = findChild<StlMoveDialog*>()) d->close();
    return;
  }
  const bool made = Has3DToolpaths(job_);
  Action("Save Toolpaths CNC")->setEnabled(made);
  Action("View ToolPaths")->setEnabled(made);
  Action("Save Toolpaths DXF")->setEnabled(false);
}

void MainWindow::SetView3D(bool on) {
  on ? Set3D(view_->State()) : Set2D(view_->State());
  Action("3D View")->setChecked(on);
  // The item names the view it switches to.
  Action("3D View")->setText(on ? "2D &View" : "3D &View");
  Status(on ? "3D" : "2D", 1);
}

void MainWindow::OpenModel(const QString& path) {
  job_.CommandMode = ModeIdle;
  job_.CancelRequested = 0;
  view_->DisarmRubberBand();
  view_->Settings().ShortLabels = false;
  if (ncEditor_ && job_.EditorShown) ncEditor_->ShowPane(false);
  Status(("Loading " + QFileInfo(path).completeBaseName()).toStdString());
  // The view draws nothing of the job while the file is read.
  struct LoadingFlag {
    Job& j;
    explicit LoadingFlag(Job& job) : j(job) { j.Loading = 1; }
    ~LoadingFlag() { j.Loading = 0; }
  };
  const MeshOpenResult r = DuringPass([&] {
    LoadingFlag loading(job_);
    return OpenStlFile(job_, path.toStdString());
  });
  if (!r.Error.empty()) QMessageBox::warning(this, "Tibrel", QString::fromStdString(r.Error));
  Status(r.Status);
  if (r.Loaded) {
    // The drawing's modeless dialogs have nothing left to act on.
    if (auto* text = findChild<TextDialog*>()) text->hide();
    for (QDialog* d : findChildren<AddDepthsDialog*>()) d->close();
    for (QDialog* d : findChildren<MoveScaleRotateDialog*>()) d->close();
    setWindowTitle("Tibrel - " + QFileInfo(path).fileName());
    RememberFile(path);
    stlDialog_->ModelOpened(job_.DrawingExtents);
    SetContent(ContentAll);
    SetView3D(true);
    view_->ZoomAll();
  }
  EnableCommands();
  view_->update();
}

void MainWindow::RunPrototypeCommand() {
  job_.CancelRequested = 0;
  if (!job_.ModelLoaded) return;
  stlDialog_->Prepare(job_.MachiningParameters.Prototype, job_.DrawingExtents, job_.Options.StlOverlap);
  if (stlDialog_->exec() != QDialog::Accepted) {
    job_.CommandMode = ModeIdle;
    return;
  }
  job_.CommandMode = ModePrototype;
  try {
    ApplyPrototypeFields(job_, stlDialog_->Fields(), stlDialog_->Values(), configPath_);
  } catch (const std::exception& e) {
    Status(e.what(), 2);  // "LAST" could not be saved: the run goes on
  }
  // Without a roughing Z step the command does nothing at all.
  if (!(job_.MachiningParameters.Rough.ZStep > 0)) {
    job_.CommandMode = ModeIdle;
    return;
  }
  const OperationResult r = DuringPass([&] { return RunPrototype(job_); });
  job_.CommandMode = ModeIdle;
  EnableCommands();
  if (r.Made) SetContent(ContentToolpaths);
  // The field at fault, where the parameters were refused.
  Status(r.Problem.empty() ? r.Status : r.Problem);
  std::string message = r.Message;
  if (!r.Made && message.empty() && r.Status != CancelledStatus) message = NoToolpathsMessage;
  if (!message.empty()) QMessageBox::information(this, "Tibrel", QString::fromStdString(message));
  view_->update();
}

}  // namespace tibrel
