#include "app/stl_options_page.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <cmath>

#include "core/numbers.h"

namespace tibrel {

QWidget* StlOptionsPage(TTBOptions& o, std::function<void()> changed) {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  auto* depth = new QLineEdit(QString::fromStdString(FormatNumber("%g", o.STLDepth)));
  depth->setObjectName("STLDepth");
  depth->setValidator(new QRegularExpressionValidator(QRegularExpression("[-0-9.,]*"), depth));
  QObject::connect(depth, &QLineEdit::textEdited, page, [&o, changed](const QString& t) {
    o.STLDepth = ToNumber(t.toStdString());
    changed();
  });
  form->addRow("Stl Depth", depth);
  // Kept as a fraction, shown and saved as a whole percentage.
  auto* step = new QLineEdit(QString::number(std::lround(o.StlOverlap * 100)));
  step->setObjectName("StlOverlap");
  step->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), step));
  QObject::connect(step, &QLineEdit::textEdited, page, [&o, changed](const QString& t) {
    o.StlOverlap = ToNumber(t.toStdString()) / 100;
    changed();
  });
  form->addRow("X and Y Step as a percentage of cutter diameter", step);
  return page;
}

}  // namespace tibrel
