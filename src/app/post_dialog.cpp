#include "app/post_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/files.h"
#include "core/ini.h"

namespace tibrel {

namespace {

// Variable k shows 12.34567890123 + (k - 1) in the examples.
double ExampleValue(int32_t variable) { return variable <= 0 ? 0 : 12.34567890123 + (variable - 1); }

QPushButton* Button(QLayout* layout, const char* caption) {
  auto* b = new QPushButton(caption);
  b->setObjectName(caption);
  layout->addWidget(b);
  return b;
}

QStringList Lines(const QPlainTextEdit* e) {
  QStringList lines = e->toPlainText().split('\n');
  while (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines;
}

}  // namespace

PostDialog::PostDialog(TTBPostProcessor& current, const std::string& postsPath, QWidget* parent)
    : QDialog(parent), post_(current), path_(postsPath) {
  setWindowTitle("Post Processor Setup");
  auto* top = new QVBoxLayout(this);
  auto* tabs = new QTabWidget;
  top->addWidget(tabs);

  auto* general = new QWidget;
  auto* g = new QFormLayout(general);
  name_ = new QComboBox;
  name_->setEditable(true);
  name_->setObjectName("Name");
  extension_ = new QLineEdit;
  extension_->setMaxLength(3);
  comment_ = new QLineEdit;
  comment_->setMaxLength(1);
  endComment_ = new QLineEdit;
  endComment_->setMaxLength(1);
  includeComments_ = new QCheckBox;
  maxBlock_ = new QLineEdit;
  maxBlock_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,9}"), maxBlock_));
  g->addRow("Name", name_);
  g->addRow("File Extension", extension_);
  g->addRow("Begin Comment Character", comment_);
  g->addRow("End Comment Character", endComment_);
  g->addRow("Include Comments", includeComments_);
  g->addRow("Maximum Block Line Number", maxBlock_);
  unitsInch_ = new QLineEdit;
  unitsInch_->setObjectName("UnitsInch");
  unitsMillimetre_ = new QLineEdit;
  unitsMillimetre_->setObjectName("UnitsMillimetre");
  g->addRow("Units Word for Inch", unitsInch_);
  g->addRow("Units Word for Millimetres", unitsMillimetre_);
  g->addRow(new QLabel(QString("A header or footer line places the word with ") + UnitsPlaceholder.data()));
  tabs->addTab(general, "General");

  auto* tokens = new QWidget;
  auto* t = new QFormLayout(tokens);
  token_ = new QComboBox;
  for (const char* c : TokenCaptions) token_->addItem(c);
  variable_ = new QComboBox;
  for (const char* v : VariableNames) variable_->addItem(v);
  label_ = new QLineEdit;
  places_ = new QLineEdit("4");
  plus_ = new QCheckBox;
  tokenExample_ = new QLabel;
  t->addRow("Token", token_);
  t->addRow("Variable", variable_);
  t->addRow("Label", label_);
  t->addRow("Decimal Places", places_);
  t->addRow("Use '+'", plus_);
  auto* tokenButtons = new QHBoxLayout;
  QPushButton* create = Button(tokenButtons, "Create");
  QPushButton* clear = Button(tokenButtons, "Clear");
  t->addRow(tokenButtons);
  t->addRow("Example:", tokenExample_);
  tabs->addTab(tokens, "Tokens");
  connect(token_, &QComboBox::currentIndexChanged, this, [this] { ShowToken(); });
  connect(create, &QPushButton::clicked, this, [this] {
    if (token_->currentIndex() < 0) return void(QMessageBox::information(this, windowTitle(), "Select A Token First"));
    if (places_->text().isEmpty()) places_->setText("0");
    TTBToken& tok = post_.Tokens[token_->currentIndex()];
    tok.Address = label_->text().toStdString();
    tok.Variable = variable_->currentIndex();
    tok.UsePlus = plus_->isChecked();
    tok.Format = "%1." + std::to_string(places_->text().toInt()) + "f";
    ShowToken();
  });
  connect(clear, &QPushButton::clicked, this, [this] {
    if (token_->currentIndex() < 0) return void(QMessageBox::information(this, windowTitle(), "Select A Token First"));
    post_.Tokens[token_->currentIndex()] = TTBToken{"", -1, "", false};
    label_->clear();
    places_->clear();
    ShowToken();
  });

  auto* scripts = new QWidget;
  auto* s = new QFormLayout(scripts);
  kind_ = new QComboBox;
  for (const char* k : ScriptKindNames) kind_->addItem(k);
  form_ = new QComboBox;
  for (const char* f : ScriptFormNames) form_->addItem(f);
  command_ = new QLineEdit;
  scriptToken_ = new QComboBox;
  for (const char* c : TokenCaptions) scriptToken_->addItem(c);
  scriptExample_ = new QLabel;
  s->addRow("Script", kind_);
  s->addRow("Form", form_);
  s->addRow("Command", command_);
  s->addRow("Token", scriptToken_);
  auto* scriptButtons = new QHBoxLayout;
  QPushButton* addToken = Button(scriptButtons, "Add Token");
  QPushButton* addModal = Button(scriptButtons, "Add Modal Token");
  QPushButton* addCommand = Button(scriptButtons, "Add Command");
  QPushButton* clearScript = Button(scriptButtons, "Clear");
  s->addRow(scriptButtons);
  s->addRow("Ex.", scriptExample_);
  tabs->addTab(scripts, "Movement Script");
  connect(kind_, &QComboBox::currentIndexChanged, this, [this] { ShowScript(); });
  connect(form_, &QComboBox::currentIndexChanged, this, [this] { ShowScript(); });
  connect(command_, &QLineEdit::textEdited, this, [this](const QString& text) {
    CurrentScript().Command = text.toStdString();
    ShowScript();
  });
  connect(addToken, &QPushButton::clicked, this, [this] {
    CurrentScript().Entries.push_back({scriptToken_->currentIndex(), false});
    ShowScript();
  });
  connect(addModal, &QPushButton::clicked, this, [this] {
    CurrentScript().Entries.push_back({scriptToken_->currentIndex(), true});
    ShowScript();
  });
  connect(addCommand, &QPushButton::clicked, this, [this] {
    if (command_->text().isEmpty()) return void(QMessageBox::information(this, windowTitle(), "Enter a command above first!"));
    CurrentScript().Entries.push_back({-1, false});
    ShowScript();
  });
  connect(clearScript, &QPushButton::clicked, this, [this] {
    CurrentScript().Entries.clear();
    ShowScript();
  });

  auto* lines = new QWidget;
  auto* l = new QFormLayout(lines);
  header_ = new QPlainTextEdit;
  footer_ = new QPlainTextEdit;
  l->addRow("Header", header_);
  l->addRow("Footer", footer_);
  tabs->addTab(lines, "Header / Footer");

  auto* buttons = new QHBoxLayout;
  connect(Button(buttons, "Delete"), &QPushButton::clicked, this, [this] { Delete(); });
  connect(Button(buttons, "Save"), &QPushButton::clicked, this, [this] { Save(); });
  connect(Button(buttons, "Edit"), &QPushButton::clicked, this, [this] { Edit(); });
  connect(Button(buttons, "Cancel"), &QPushButton::clicked, this, &QDialog::reject);
  top->addLayout(buttons);

  FillNames();
  name_->setCurrentText("Default");
  ShowPost();
  ShowToken();
  ShowScript();
}

void PostDialog::FillNames() {
  name_->clear();
  if (!FileExists(path_)) return;
  try {
    for (const auto& n : IniFile::Load(path_).Sections()) name_->addItem(QString::fromStdString(n));
  } catch (const std::exception&) {
  }
}

void PostDialog::ShowPost() {
  extension_->setText(QString::fromStdString(post_.Extension));
  comment_->setText(QString::fromStdString(post_.Comment));
  endComment_->setText(QString::fromStdString(post_.EndComment));
  includeComments_->setChecked(post_.IncludeComment);
  maxBlock_->setText(QString::number(post_.MaxBlock));
  unitsInch_->setText(QString::fromStdString(post_.UnitsInch));
  unitsMillimetre_->setText(QString::fromStdString(post_.UnitsMillimetre));
  decimalPoint_ = post_.DecimalCharacter;
  QStringList h, f;
  for (const auto& s : post_.Header) h << QString::fromStdString(s);
  for (const auto& s : post_.Footer) f << QString::fromStdString(s);
  header_->setPlainText(h.join('\n'));
  footer_->setPlainText(f.join('\n'));
  ShowScript();
}

void PostDialog::ShowToken() {
  const int k = token_->currentIndex();
  if (k < 0) return;
  const TTBToken& tok = post_.Tokens[k];
  variable_->setCurrentIndex(std::max(0, static_cast<int>(tok.Variable)));
  label_->setText(tok.Address == "<null" ? QString() : QString::fromStdString(tok.Address));
  plus_->setChecked(tok.UsePlus);
  const size_t dot = tok.Format.find('.');
  if (dot != std::string::npos && dot + 1 < tok.Format.size()) places_->setText(QString(tok.Format[dot + 1]));
  tokenExample_->setText(QString::fromStdString(FormatToken(tok, ExampleValue(tok.Variable))));
}

int PostDialog::Slot() const { return 2 * std::max(0, kind_->currentIndex()) + std::max(0, form_->currentIndex()); }

void PostDialog::ShowScript() {
  const TTBScript& s = post_.Scripts[Slot()];
  command_->setText(s.Command == "<null>" ? QString() : QString::fromStdString(s.Command));
  std::string ex;
  for (const auto& e : s.Entries) {
    if (e.Token == -1) {
      if (s.Command != "<null>") ex += s.Command;
    } else if (e.Token >= 0 && e.Token < TokenCount) {
      const TTBToken& tok = post_.Tokens[e.Token];
      const std::string word = FormatToken(tok, ExampleValue(tok.Variable));
      ex += e.Modal ? "<" + word + ">" : word;
    }
  }
  scriptExample_->setText(QString::fromStdString(ex));
}

void PostDialog::Edit() {
  const std::string name = name_->currentText().toStdString();
  bool found = false;
  try {
    found = LoadPost(post_, name, path_);
  } catch (const PostError& e) {
    QMessageBox::warning(this, windowTitle(), e.what());
  }
  if (!found) QMessageBox::information(this, windowTitle(), QString::fromStdString("Post Processor " + name + " not found!"));
  ShowPost();
  ShowToken();
}

void PostDialog::Save() {
  const std::string name = name_->currentText().toStdString();
  if (!UsablePostName(name))
    return void(QMessageBox::information(this, windowTitle(), "Enter a unique name for this processor"));
  try {
    IniFile file = IniFile::Load(path_);
    if (file.HasSection(name) &&
        QMessageBox::warning(this, windowTitle(), QString::fromStdString("Post <" + name + "> Exists!  Overwrite it?"),
                             QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
      return;
    PostGeneralFields g;
    g.Extension = extension_->text().toStdString();
    g.Comment = comment_->text().toStdString();
    g.EndComment = endComment_->text().toStdString();
    g.IncludeComment = includeComments_->isChecked();
    g.MaxBlock = maxBlock_->text().toInt();
    g.DecimalPoint = decimalPoint_;
    g.UnitsInch = unitsInch_->text().toStdString();
    g.UnitsMillimetre = unitsMillimetre_->text().toStdString();
    std::vector<std::string> header, footer;
    for (const auto& line : Lines(header_)) header.push_back(line.toStdString());
    for (const auto& line : Lines(footer_)) footer.push_back(line.toStdString());
    WritePostSection(file, name, g, post_, header, footer);
    file.Save(path_);
  } catch (const std::exception& e) {
    return void(QMessageBox::warning(this, windowTitle(), e.what()));
  }
  QMessageBox::information(this, windowTitle(), QString::fromStdString(name + " Saved!"));
  FillNames();
  name_->setCurrentText(QString::fromStdString(name));
}

void PostDialog::Delete() {
  const std::string name = name_->currentText().toStdString();
  if (!UsablePostName(name)) return;
  if (QMessageBox::question(this, windowTitle(), QString::fromStdString("Are you sure you want to delete " + name),
                            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  try {
    if (FileExists(path_)) {
      IniFile file = IniFile::Load(path_);
      file.EraseSection(name);
      file.Save(path_);
    }
  } catch (const std::exception& e) {
    QMessageBox::warning(this, windowTitle(), e.what());
  }
  FillNames();
}

}  // namespace tibrel
