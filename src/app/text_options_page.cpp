#include "app/text_options_page.h"

#include <QCheckBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "job/add_text.h"

namespace tibrel {

namespace {

QString UsedFace(const TTBOptions& o) {
  const FaceMatch m = FindFace(TextFontOf(o));
  if (m.File.empty()) return "none";
  const QString used = QString::fromStdString(m.Family + " " + m.Style);
  return m.Substituted ? used + " (not found: the closest face)" : used;
}

}  // namespace

QWidget* TextOptionsPage(TTBOptions& o, std::function<void()> changed) {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  auto* face = new QLineEdit(QString::fromStdString(o.Font));
  face->setObjectName("Font");
  auto* choose = new QPushButton("Choose...");
  choose->setObjectName("ChooseFont");
  auto* row = new QHBoxLayout;
  row->addWidget(face);
  row->addWidget(choose);
  form->addRow("Font", row);
  auto* bold = new QCheckBox("Bold");
  bold->setObjectName("FontBold");
  bold->setChecked(o.FontBold);
  auto* italic = new QCheckBox("Italic");
  italic->setObjectName("FontItalic");
  italic->setChecked(o.FontItalic);
  form->addRow(bold);
  form->addRow(italic);
  auto* used = new QLabel(UsedFace(o));
  used->setObjectName("FaceUsed");
  form->addRow("Face used", used);
  auto* precision = new QLineEdit(QString::number(o.FontPrecision));
  precision->setObjectName("FontPrecision");
  precision->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), precision));
  form->addRow("Precision", precision);

  auto refresh = [&o, used, changed] {
    used->setText(UsedFace(o));
    changed();
  };
  QObject::connect(face, &QLineEdit::editingFinished, page, [&o, face, refresh] {
    o.Font = face->text().toStdString();
    refresh();
  });
  QObject::connect(bold, &QCheckBox::toggled, page, [&o, refresh](bool on) { o.FontBold = on, refresh(); });
  QObject::connect(italic, &QCheckBox::toggled, page, [&o, refresh](bool on) { o.FontItalic = on, refresh(); });
  QObject::connect(precision, &QLineEdit::textEdited, page, [&o, changed](const QString& t) {
    // The converter takes 1 to 100 and keeps its value otherwise.
    const int v = t.toInt();
    if (v >= 1 && v <= 100) o.FontPrecision = v;
    changed();
  });
  QObject::connect(choose, &QPushButton::clicked, page, [&o, page, face, bold, italic] {
    QFont initial(QString::fromStdString(o.Font));
    initial.setBold(o.FontBold);
    initial.setItalic(o.FontItalic);
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, page, "Font");
    if (!ok) return;
    face->setText(f.family());
    o.Font = f.family().toStdString();
    bold->setChecked(f.bold());
    italic->setChecked(f.italic());
    emit face->editingFinished();
  });
  return page;
}

}  // namespace tibrel
