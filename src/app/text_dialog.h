// "True Type Fonts": the modeless Add Text dialog. It sets CommandMode to
// 321 ("By Point": the view's cursor fills the position and a click adds the
// text there) or 322 ("Enter Below": typed), shows a preview box of the
// text's extent in the view, and Add appends the text's regions to the job.
#pragma once

#include <QDialog>
#include <functional>

#include "geometry/selection.h"
#include "job/job.h"
#include "text/glyph_converter.h"
#include "text/layout.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace tibrel {

class ViewWidget;

class TextDialog : public QDialog {
  Q_OBJECT
 public:
  // told: what an Add or a click has to say, and whether regions changed.
  TextDialog(Job& job, ViewWidget* view, std::function<void(const CommandResult&)> told, QWidget* parent = nullptr);

  // The cursor over the view (By Point): the position fields follow it.
  void Follow(double x, double y);
  // A click in the view (By Point): the position, then Add.
  void Place(double x, double y);
  // The placement the fields give; nothing when a field the placement needs
  // is empty (the preview needs the text, the height and the position; an
  // arc also its radius). For Add on a line, empty numbers are 0.
  std::optional<TextPlacement> Placement(bool forAdd = false) const;
  void Add();
  // The face the options name and the face actually used.
  QString FaceText();

 protected:
  void showEvent(QShowEvent*) override;
  void hideEvent(QHideEvent*) override;

 private:
  void Arrange();
  void UpdatePreview();
  void CentreOfSelected(bool xField, bool on);

  Job& job_;
  ViewWidget* view_;
  std::function<void(const CommandResult&)> told_;
  TTTFToVectorConverter converter_;
  QLineEdit *text_, *height_, *x_, *y_, *angle_, *radius_;
  QLabel *font_, *xLabel_, *yLabel_;
  QRadioButton *linear_, *arc_, *left_, *centre_, *right_, *byPoint_, *enterBelow_;
  QCheckBox *centreX_, *centreY_;
};

}  // namespace tibrel
