// The NC editor pane: the program's text with a line-number gutter,
// coloured line by line by the core G-code colourer; the Run window that
// steps the backplot through the program's path; the renumber dialog; and
// the Open NC and 3D Editor commands that bring them up beside the view.
#pragma once

#include <QDialog>
#include <QDockWidget>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <functional>
#include <string>

#include "editor/gcode_syntax.h"
#include "editor/run_state.h"
#include "job/job.h"

class QCheckBox;
class QLineEdit;
class QMainWindow;
class QMenu;
class QSplitter;

namespace tibrel {

class ViewWidget;

class NcTextEdit : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit NcTextEdit(QWidget* parent = nullptr);
  int GutterWidth() const;
  void PaintGutter(QPaintEvent* e);
  // Puts the caret on line (0-based) and selects it; nothing when the
  // text has no such line.
  void SelectLine(int line);

  // Attaches the colourer (nullptr: plain text). Only the lines on screen
  // are coloured, when they are first shown or after they change, so a
  // large program opens and scrolls at the speed of plain text. Lines
  // longer than MaxColouredLine characters stay plain.
  static constexpr int MaxColouredLine = 4096;
  void SetColourer(TSynGCodeSyn* colourer);
  TSynGCodeSyn* Colourer() const { return colourer_; }

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  void ColourBlock(QTextBlock block);
  QWidget* gutter_;
  TSynGCodeSyn* colourer_ = nullptr;
  int generation_ = 0;  // a block whose user state equals it is coloured
  std::string line_;
};

class RenumberDialog : public QDialog {
  Q_OBJECT
 public:
  RenumberDialog(QPlainTextEdit& editor, const TTBPostProcessor& post, QWidget* parent = nullptr);
  QLineEdit* startField = nullptr;
  QLineEdit* incrementField = nullptr;
  QCheckBox* addSpace = nullptr;

  enum class Command { Add, Remove, ReNumber };
  void Run(Command c);

 private:
  QPlainTextEdit& editor_;
  const TTBPostProcessor& post_;
};

class NcEditor : public QObject {
  Q_OBJECT
 public:
  // Puts the pane and the view in a splitter as the window's central
  // widget; adds "Open &NC" to fileMenu (colours: the editor colours of
  // the options, read at each Open NC) and "&3D Editor" to viewMenu.
  NcEditor(QMainWindow& window, Job& job, const TTBEditorColours& colours, ViewWidget& view, QMenu& fileMenu,
           QMenu& viewMenu,
           std::function<QString(const QString&, const QString&, const QString&, bool)> chooseFile,
           std::function<void(const std::string&, int)> status);

  NcTextEdit& Editor() { return *editor_; }
  QDockWidget& RunWindow() { return *run_; }
  NcRunState& Run() { return runState_; }
  bool Shown() const { return job_.EditorShown != 0; }

  // Open NC after the file dialog; false (with the platform's message in
  // the status bar) when the file cannot be read.
  bool OpenProgram(const QString& path);
  void ShowPane(bool show);
  // The Run window's buttons by caption ("Clear", "Next", ... "ReNumber").
  void Press(const QString& caption);
  void ReLoad();
  // Close while the pane is shown: no program, "No File Loaded" in the
  // editor.
  void Clear();
  bool SaveTo(const QString& path);

 private:
  void Step(const NcStep& s);
  void PopupMenu(const QPoint& at);
  // Show Syntax: the check mark, and the colourer attached or not.
  void SetSyntax(bool on);
  void Attach(bool on);
  void ShowFind();

  QMainWindow& window_;
  Job& job_;
  const TTBEditorColours& colours_;
  ViewWidget& view_;
  std::function<QString(const QString&, const QString&, const QString&, bool)> chooseFile_;
  std::function<void(const std::string&, int)> status_;
  QSplitter* splitter_ = nullptr;
  NcTextEdit* editor_ = nullptr;
  QDockWidget* run_ = nullptr;
  TSynGCodeSyn colourer_;
  bool syntax_ = true;
  NcRunState runState_;
  QString lastFile_;
};

}  // namespace tibrel
