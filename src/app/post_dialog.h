// "Post Processor Setup": the post editor. Token and script changes go
// straight into the current post (in force for the next program even when
// not saved); the general fields and the header and footer live in the
// dialog until Save writes them to Posts.cfg.
#pragma once

#include <QDialog>

#include "post/post.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace tibrel {

class PostDialog : public QDialog {
  Q_OBJECT
 public:
  PostDialog(TTBPostProcessor& current, const std::string& postsPath, QWidget* parent = nullptr);

  // The buttons' work, also for tests (messages go to the user).
  void Edit();
  void Save();
  void Delete();

 private:
  void FillNames();
  void ShowPost();
  void ShowToken();
  void ShowScript();
  int Slot() const;
  TTBScript& CurrentScript() { return post_.Scripts[Slot()]; }

  TTBPostProcessor& post_;
  std::string path_;
  QComboBox* name_;
  QLineEdit *extension_, *comment_, *endComment_, *maxBlock_, *unitsInch_, *unitsMillimetre_;
  QCheckBox* includeComments_;
  bool decimalPoint_ = true;
  QComboBox *token_, *variable_;
  QLineEdit *label_, *places_;
  QCheckBox* plus_;
  QLabel* tokenExample_;
  QComboBox *kind_, *form_, *scriptToken_;
  QLineEdit* command_;
  QLabel* scriptExample_;
  QPlainTextEdit *header_, *footer_;
};

}  // namespace tibrel
