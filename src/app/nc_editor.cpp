#include "app/nc_editor.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSplitter>
#include <QTextBlock>
#include <QVBoxLayout>

#include "app/painter.h"
#include "app/view_widget.h"
#include "core/files.h"
#include "core/program_folder.h"
#include "editor/renumber.h"
#include "job/nc_program.h"
#include "view/nc_backplot.h"

namespace tibrel {

namespace {

QColor Colour(int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

class Gutter : public QWidget {
 public:
  explicit Gutter(NcTextEdit* editor) : QWidget(editor), editor_(editor) {}
  QSize sizeHint() const override { return {editor_->GutterWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* e) override { editor_->PaintGutter(e); }

 private:
  NcTextEdit* editor_;
};

// The editor's lines exactly as the parser numbers them.
QString EditorText(const std::string& bytes) {
  std::string joined = JoinLines(SplitLines(bytes));
  if (!joined.empty()) joined.pop_back();
  return QString::fromUtf8(joined.data(), static_cast<qsizetype>(joined.size()));
}

// The find-and-replace dialog over the editor.
class FindDialog : public QDialog {
 public:
  FindDialog(QPlainTextEdit& editor, QWidget* parent) : QDialog(parent), editor_(editor) {
    setWindowTitle("Find and Replace");
    auto* grid = new QGridLayout(this);
    find_ = new QLineEdit(this), replace_ = new QLineEdit(this);
    find_->setObjectName("Find"), replace_->setObjectName("Replace");
    whole_ = new QCheckBox("Whole word", this), caseSensitive_ = new QCheckBox("Match case", this);
    backwards_ = new QCheckBox("Search up", this);
    grid->addWidget(new QLabel("Find:"), 0, 0), grid->addWidget(find_, 0, 1);
    grid->addWidget(new QLabel("Replace with:"), 1, 0), grid->addWidget(replace_, 1, 1);
    grid->addWidget(whole_, 2, 0), grid->addWidget(caseSensitive_, 2, 1), grid->addWidget(backwards_, 3, 0);
    auto* buttons = new QHBoxLayout;
    for (const char* caption : {"Find Next", "Replace", "Replace All", "Close"}) {
      auto* b = new QPushButton(caption, this);
      buttons->addWidget(b);
      connect(b, &QPushButton::clicked, this, [this, caption] { Act(caption); });
    }
    grid->addLayout(buttons, 4, 0, 1, 2);
  }

 private:
  QTextDocument::FindFlags Flags(bool backwards) const {
    QTextDocument::FindFlags f;
    if (whole_->isChecked()) f |= QTextDocument::FindWholeWords;
    if (caseSensitive_->isChecked()) f |= QTextDocument::FindCaseSensitively;
    if (backwards) f |= QTextDocument::FindBackward;
    return f;
  }
  bool Matches(const QTextCursor& c) const {
    return c.hasSelection() &&
           c.selectedText().compare(find_->text(), caseSensitive_->isChecked() ? Qt::CaseSensitive
                                                                                : Qt::CaseInsensitive) == 0;
  }
  void Act(const QString& what) {
    if (what == "Close") return hide();
    if (find_->text().isEmpty()) return;
    if (what == "Find Next") {
      editor_.find(find_->text(), Flags(backwards_->isChecked()));
    } else if (what == "Replace") {
      QTextCursor c = editor_.textCursor();
      if (Matches(c)) c.insertText(replace_->text());
      editor_.find(find_->text(), Flags(backwards_->isChecked()));
    } else {
      QTextCursor c(editor_.document());
      c.beginEditBlock();
      QTextCursor at(editor_.document());
      while (!(at = editor_.document()->find(find_->text(), at, Flags(false))).isNull()) at.insertText(replace_->text());
      c.endEditBlock();
    }
  }
  QPlainTextEdit& editor_;
  QLineEdit *find_, *replace_;
  QCheckBox *whole_, *caseSensitive_, *backwards_;
};

}  // namespace

// --- the text with its gutter ---

NcTextEdit::NcTextEdit(QWidget* parent) : QPlainTextEdit(parent), gutter_(new Gutter(this)) {
  setObjectName("NcEditor");
  QFont font("Courier New");
  font.setStyleHint(QFont::Monospace);
  setFont(font);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { setViewportMargins(GutterWidth(), 0, 0, 0); });
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& r, int dy) {
    if (dy) gutter_->scroll(0, dy);
    else gutter_->update(0, r.y(), gutter_->width(), r.height());
  });
  setViewportMargins(GutterWidth(), 0, 0, 0);
  // An edited line is coloured again when next painted.
  connect(document(), &QTextDocument::contentsChange, this, [this](int from, int removed, int added) {
    if (removed == 0 && added == 0) return;
    QTextBlock b = document()->findBlock(from);
    const QTextBlock last = document()->findBlock(from + added);
    for (; b.isValid(); b = b.next()) {
      b.setUserState(-1);
      if (b == last) break;
    }
  });
}

void NcTextEdit::SetColourer(TSynGCodeSyn* colourer) {
  if (colourer == colourer_ && colourer) return;
  // Lines coloured before lose their formats.
  const int old = generation_;
  generation_ = old + 1;
  colourer_ = colourer;
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
    if (b.userState() != old || b.layout()->formats().isEmpty()) continue;
    b.layout()->clearFormats();
    document()->markContentsDirty(b.position(), b.length());
  }
  viewport()->update();
}

void NcTextEdit::ColourBlock(QTextBlock block) {
  block.setUserState(generation_);
  const QString text = block.text();
  QList<QTextLayout::FormatRange> ranges;
  if (text.size() <= MaxColouredLine) {
    // The colourer reads bytes; characters past Latin-1 are one symbol
    // each, NUL a blank.
    line_.resize(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
      const char16_t u = text[i].unicode();
      line_[static_cast<size_t>(i)] = u == 0 ? ' ' : u < 256 ? static_cast<char>(u) : '\x7f';
    }
    const bool parse = colourer_->ParseMode();
    colourer_->SetParseMode(false);
    for (colourer_->SetLine(line_, block.blockNumber()); !colourer_->Eol(); colourer_->Next()) {
      const NcAttribute* a = colourer_->Attribute();
      if (!a || (a->Foreground < 0 && !a->Bold && !a->Italic)) continue;
      QTextLayout::FormatRange r;
      r.start = static_cast<int>(colourer_->TokenStart());
      r.length = static_cast<int>(colourer_->TokenLength());
      if (a->Foreground >= 0) r.format.setForeground(Colour(a->Foreground));
      if (a->Bold) r.format.setFontWeight(QFont::Bold);
      if (a->Italic) r.format.setFontItalic(true);
      ranges.push_back(r);
    }
    colourer_->SetParseMode(parse);
  }
  if (ranges.isEmpty() && block.layout()->formats().isEmpty()) return;
  block.layout()->setFormats(ranges);
  document()->markContentsDirty(block.position(), block.length());
}

void NcTextEdit::paintEvent(QPaintEvent* e) {
  if (colourer_) {
    const int bottom = viewport()->height();
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    for (int n = 0; block.isValid() && top <= bottom && n < 1000; block = block.next(), ++n) {
      if (block.userState() != generation_) ColourBlock(block);
      top += qRound(blockBoundingRect(block).height());
    }
  }
  QPlainTextEdit::paintEvent(e);
}

int NcTextEdit::GutterWidth() const {
  int digits = 1;
  for (int n = std::max(1, blockCount()); n >= 10; n /= 10) ++digits;
  return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void NcTextEdit::resizeEvent(QResizeEvent* e) {
  QPlainTextEdit::resizeEvent(e);
  const QRect cr = contentsRect();
  gutter_->setGeometry(QRect(cr.left(), cr.top(), GutterWidth(), cr.height()));
}

void NcTextEdit::PaintGutter(QPaintEvent* e) {
  QPainter p(gutter_);
  p.fillRect(e->rect(), QColor(240, 240, 240));
  p.setPen(Qt::darkGray);
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  while (block.isValid() && top <= e->rect().bottom()) {
    const int bottom = top + qRound(blockBoundingRect(block).height());
    if (block.isVisible() && bottom >= e->rect().top())
      p.drawText(0, top, gutter_->width() - 4, fontMetrics().height(), Qt::AlignRight,
                 QString::number(block.blockNumber() + 1));
    block = block.next();
    top = bottom;
  }
}

void NcTextEdit::SelectLine(int line) {
  if (line < 0 || line >= blockCount()) return;
  QTextCursor c(document()->findBlockByNumber(line));
  c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  setTextCursor(c);
  centerCursor();
}

// --- renumbering ---

RenumberDialog::RenumberDialog(QPlainTextEdit& editor, const TTBPostProcessor& post, QWidget* parent)
    : QDialog(parent), editor_(editor), post_(post) {
  setWindowTitle("ReNumber");
  auto* grid = new QGridLayout(this);
  startField = new QLineEdit("100", this), incrementField = new QLineEdit("5", this);
  startField->setObjectName("StartAt"), incrementField->setObjectName("Increment");
  for (QLineEdit* f : {startField, incrementField})
    f->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), f));
  addSpace = new QCheckBox("Add Space", this);
  addSpace->setChecked(true);
  grid->addWidget(new QLabel("Start At"), 0, 0), grid->addWidget(startField, 0, 1);
  grid->addWidget(new QLabel("Increment"), 1, 0), grid->addWidget(incrementField, 1, 1);
  grid->addWidget(addSpace, 2, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  const std::pair<const char*, Command> commands[] = {
      {"Add", Command::Add}, {"Remove", Command::Remove}, {"ReNumber", Command::ReNumber}};
  for (const auto& [caption, c] : commands) {
    auto* b = new QPushButton(caption, this);
    b->setAutoDefault(false);
    buttons->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, c = c] { Run(c); });
  }
  auto* close = new QPushButton("Close", this);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  buttons->addWidget(close);
  grid->addLayout(buttons, 3, 0, 1, 2);
}

void RenumberDialog::Run(Command c) {
  std::vector<std::string> lines;
  for (QTextBlock b = editor_.document()->begin(); b.isValid(); b = b.next()) lines.push_back(b.text().toStdString());
  const RenumberFields fields{DigitsField(startField->text().toStdString()),
                              DigitsField(incrementField->text().toStdString()), addSpace->isChecked()};
  if (c == Command::Remove) RemoveLineNumbers(lines, post_);
  else if (c == Command::Add) AddLineNumbers(lines, post_, fields);
  else RenumberLines(lines, post_, fields);
  std::string text = JoinLines(lines);
  if (!text.empty()) text.pop_back();
  // One edit: the editor's undo takes it back whole.
  QTextCursor cursor(editor_.document());
  cursor.beginEditBlock();
  cursor.select(QTextCursor::Document);
  cursor.insertText(QString::fromStdString(text));
  cursor.endEditBlock();
}

// --- the pane, its commands and the Run window ---

NcEditor::NcEditor(QMainWindow& window, Job& job, const TTBEditorColours& colours, ViewWidget& view,
                   QMenu& fileMenu, QMenu& viewMenu, std::function<QString(const QString&, const QString&, const QString&, bool)> chooseFile,
                   std::function<void(const std::string&, int)> status)
    : QObject(&window), window_(window), job_(job), colours_(colours), view_(view), chooseFile_(std::move(chooseFile)),
      status_(std::move(status)) {
  editor_ = new NcTextEdit;
  editor_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(editor_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) { PopupMenu(p); });
  QWidget* central = window.takeCentralWidget();
  splitter_ = new QSplitter(Qt::Horizontal);
  splitter_->addWidget(editor_);
  splitter_->addWidget(central);
  splitter_->setStretchFactor(1, 2);
  window.setCentralWidget(splitter_);
  editor_->hide();

  run_ = new QDockWidget("Run", &window);
  run_->setObjectName("RunWindow");
  auto* panel = new QWidget(run_);
  auto* column = new QVBoxLayout(panel);
  for (const char* caption : {"Clear", "Next", "Next 10", "To Cursor", "From Cursor", "To Rapid", "To Tool", "All",
                              "Search", "ReLoad", "Save", "ReNumber"}) {
    auto* b = new QPushButton(caption, panel);
    column->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, caption] { Press(caption); });
  }
  column->addStretch();
  run_->setWidget(panel);
  window.addDockWidget(Qt::RightDockWidgetArea, run_);
  run_->hide();

  view.overlay = [this](const ViewState& v, Display& d) {
    if (!Shown()) return false;
    d = BuildNcBackplot(job_.NcProgram, ShownRange(runState_, job_.NcProgram), v, d.Background);
    // The third field keeps the program's line count while the pane is shown.
    d.Status = "Lines " + std::to_string(editor_->blockCount());
    return true;
  };

  QAction* open = fileMenu.addAction("Open &NC");
  open->setObjectName("OpenNC");
  connect(open, &QAction::triggered, this, [this] {
    const QString path = chooseFile_("Open NC", "DNC files (*.Dnc *.dnc *.nc *.ngc *.tap);;All files (*)", {}, false);
    if (!path.isEmpty()) OpenProgram(path);
  });
  QAction* pane = viewMenu.addAction("&3D Editor");
  pane->setObjectName("Editor3D");
  connect(pane, &QAction::triggered, this, [this] { ShowPane(!Shown()); });
}

void NcEditor::SetSyntax(bool on) {
  syntax_ = on;
  Attach(on);
}

void NcEditor::Attach(bool on) { editor_->SetColourer(on ? &colourer_ : nullptr); }

bool NcEditor::OpenProgram(const QString& path) {
  std::string bytes, error;
  if (!ReadNcFile(path.toStdString(), bytes, error)) {
    status_(error, 0);
    return false;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  colourer_.ConfigureFromPost(job_.CurrentPost, colours_);
  const NcExtents extents = LoadNcProgram(job_, bytes);
  Attach(false);
  editor_->setPlainText(EditorText(bytes));
  Attach(syntax_);
  lastFile_ = path;
  ShowPane(true);
  editor_->moveCursor(QTextCursor::Start);
  editor_->setFocus();
  if (extents.Valid) FitView(view_.State(), NcViewExtents(extents), 20);
  RunAll(runState_, job_.NcProgram);
  run_->setVisible(NcHigh(job_.NcProgram) > 0);
  // Save Toolpaths DXF writes the program's moves while the pane is shown.
  for (QAction* a : window_.findChildren<QAction*>())
    if (a->text() == "Save &Toolpaths DXF") a->setEnabled(NcHigh(job_.NcProgram) > 0);
  QApplication::restoreOverrideCursor();
  const double minutes = EstimatedMinutes(job_.NcProgram, job_.Options.RapidRate);
  status_("Lines " + std::to_string(editor_->blockCount()), 2);
  char buf[64];
  std::snprintf(buf, sizeof buf, "Run time %.1f min", minutes);
  status_(buf, 0);
  view_.update();
  return true;
}

void NcEditor::ShowPane(bool show) {
  job_.EditorShown = show ? 1 : 0;
  editor_->setVisible(show);
  run_->setVisible(show && NcHigh(job_.NcProgram) > 0);
  if (show) Set3D(view_.State());
  else Set2D(view_.State());
  view_.update();
}

void NcEditor::Step(const NcStep& s) {
  if (s.SelectRecord > 0) editor_->SelectLine(job_.NcProgram[static_cast<size_t>(s.SelectRecord)].Line);
  if (s.Redraw) view_.update();
}

void NcEditor::Press(const QString& caption) {
  const NcPath& p = job_.NcProgram;
  const int caret = editor_->textCursor().blockNumber();
  if (caption == "Clear") Step(RunClear(runState_, p));
  else if (caption == "Next") Step(RunNext(runState_, p));
  else if (caption == "Next 10") Step(RunNext10(runState_, p));
  else if (caption == "To Cursor") Step(RunToCursor(runState_, p, caret));
  else if (caption == "From Cursor") Step(RunFromCursor(runState_, p, caret));
  else if (caption == "To Rapid") Step(RunToRapid(runState_, p));
  else if (caption == "To Tool") Step(RunToTool(runState_, p));
  else if (caption == "All") Step(RunAll(runState_, p));
  else if (caption == "Search") ShowFind();
  else if (caption == "ReLoad") ReLoad();
  else if (caption == "Save") {
    const QString ext = QString::fromStdString(job_.CurrentPost.Extension);
    const QString path = chooseFile_("Save", QString::fromStdString(job_.CurrentPost.Name) + " Files (*." + ext +
                                                 ");;All Files (*)",
                                     lastFile_, true);
    if (!path.isEmpty() && SaveTo(path)) status_("File Saved!", 0);
  } else if (caption == "ReNumber") {
    RenumberDialog d(*editor_, job_.CurrentPost, &window_);
    d.exec();
  }
}

// The edited text through a file and back, as a save and an open would see
// it; the path keeps the records of the program as it was opened.
void NcEditor::ReLoad() {
  const std::string temp = ProgramFile("Temp.dnc");
  const std::string text = editor_->toPlainText().toStdString();
  try {
    WriteFileAtomically(temp, text);
  } catch (const std::exception& e) {
    status_(e.what(), 0);
    return;
  }
  std::string back, error;
  if (!ReadNcFile(temp, back, error)) {
    status_(error, 0);
    return;
  }
  Attach(false);
  editor_->setPlainText(EditorText(back));
  Attach(syntax_);
  Step(RunAll(runState_, job_.NcProgram));
}

void NcEditor::Clear() {
  job_.NcProgram = NcPath(1);
  Attach(false);
  editor_->setPlainText("No File Loaded");
  Attach(syntax_);
  RunAll(runState_, job_.NcProgram);
  run_->hide();
}

bool NcEditor::SaveTo(const QString& path) {
  try {
    WriteFileAtomically(path.toStdString(), editor_->toPlainText().toStdString() + "\n");
  } catch (const std::exception& e) {
    status_(e.what(), 0);
    return false;
  }
  return true;
}

void NcEditor::ShowFind() {
  auto* find = window_.findChild<QDialog*>("FindReplace");
  if (!find) {
    find = new FindDialog(*editor_, &window_);
    find->setObjectName("FindReplace");
  }
  find->show();
  find->raise();
}

void NcEditor::PopupMenu(const QPoint& at) {
  QMenu menu(editor_);
  connect(menu.addAction("&Undo"), &QAction::triggered, editor_, &QPlainTextEdit::undo);
  connect(menu.addAction("F&ont"), &QAction::triggered, this, [this] {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, editor_->font(), editor_);
    if (ok) editor_->setFont(f);
  });
  connect(menu.addAction("Sea&rch"), &QAction::triggered, this, [this] { ShowFind(); });
  connect(menu.addAction("&Select All"), &QAction::triggered, editor_, &QPlainTextEdit::selectAll);
  connect(menu.addAction("Renum&ber"), &QAction::triggered, this, [this] { Press("ReNumber"); });
  QAction* syntax = menu.addAction("Show S&yntax");
  syntax->setCheckable(true);
  syntax->setChecked(syntax_);
  connect(syntax, &QAction::toggled, this, [this](bool on) { SetSyntax(on); });
  menu.exec(editor_->mapToGlobal(at));
}

}  // namespace tibrel
