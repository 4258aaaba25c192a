#include "app/board_commands.h"

#include <QApplication>
#include <QMessageBox>

#include "app/main_window.h"
#include "app/operation_dialog.h"
#include "app/view_widget.h"
#include "job/pcb.h"
#include "view/view.h"

namespace tibrel {

void MainWindow::OpenGerber(const QString& path) {
  readGerber_ = true;
  OpenDrawing(path);
  readGerber_ = false;
}

void MainWindow::RunPcBoard() {
  job_.CancelRequested = 0;
  if (const std::string m = PcbPrecondition(job_); !m.empty()) {
    QMessageBox::information(this, "Tibrel", QString::fromStdString(m));
    return;
  }
  MachiningDialog dialog(OperationDialog::PcBoard, configPath_, job_.Options.Overlap, job_.DrawingUnits, this);
  if (dialog.exec() != QDialog::Accepted) return;
  try {
    ApplyPcbFields(job_, dialog.Fields(), dialog.DepthText(), configPath_);
  } catch (const std::exception& e) {
    Status(e.what(), 2);
  }
  Status(RoutingStatus);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const OperationResult r = tibrel::RunPcBoard(job_);
  QApplication::restoreOverrideCursor();
  EnableCommands();
  if (r.Made) SetContent(ContentToolpaths);
  Status(r.Problem.empty() ? r.Status : r.Problem);
  if (!r.Message.empty()) QMessageBox::information(this, "Tibrel", QString::fromStdString(r.Message));
  view_->update();
}

}  // namespace tibrel
