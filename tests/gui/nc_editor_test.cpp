// The NC editor pane driven offscreen: Open NC on a program the program
// itself wrote, the colouring, the Run window's steps, ReLoad, renumbering,
// files that cannot be read and files that are not programs.
#include <QDockWidget>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest/QtTest>

#include "app/main_window.h"
#include "app/nc_editor.h"
#include "app/view_widget.h"
#include "core/files.h"
#include "core/ini.h"
#include "core/numbers.h"
#include "core/program_folder.h"
#include "editor/renumber.h"
#include "post/nc_writer.h"
#include "../sample_job.h"
#include "screenshots.h"

using namespace tibrel;

namespace {

// The sample job through the window's own post.
std::string SampleProgram(const TTBPostProcessor& post) {
  return NcProgramText(testing_job::SampleToolpaths(), {"(sample)"}, testing_job::SampleParameters(), post,
                       Units::Millimetre);
}

bool HasBoldFormat(const QTextBlock& b) {
  for (const auto& r : b.layout()->formats())
    if (r.format.fontWeight() == QFont::Bold) return true;
  return false;
}

}  // namespace

class NcEditorTest : public QObject {
  Q_OBJECT
 private slots:
  void OpensColoursAndSteps() {
    MainWindow w;
    w.resize(1200, 800);
    w.show();
    QTemporaryDir dir;
    const QString path = dir.filePath("sample.ngc");
    const std::string program = SampleProgram(w.CurrentJob().CurrentPost);
    WriteFileAtomically(path.toStdString(), program);
    NcEditor& e = *w.Editor();
    QVERIFY(e.OpenProgram(path));
    QVERIFY(e.Shown());
    QCOMPARE(e.Editor().blockCount(), static_cast<int>(SplitLines(program).size()));
    QVERIFY(e.Editor().isVisible());
    QVERIFY(e.RunWindow().isVisible());
    QCOMPARE(w.StatusText(2), QString("Lines %1").arg(e.Editor().blockCount()));
    const NcPath& path_ = w.CurrentJob().NcProgram;
    QVERIFY(NcHigh(path_) > 20);
    QCOMPARE(w.View()->State().Mode, static_cast<int>(View3D));

    // A G-word is painted bold by the colourer.
    QApplication::processEvents();
    bool bold = false;
    for (QTextBlock b = e.Editor().document()->begin(); b.isValid() && !bold; b = b.next())
      if (b.text().startsWith("G01")) bold = HasBoldFormat(b);
    QVERIFY(e.Editor().Colourer() != nullptr);
    QVERIFY2(bold, qPrintable(e.Editor().document()->findBlockByNumber(10).text() + " " +
                              QString::number(e.Editor().document()->findBlockByNumber(10).layout()->formats().size())));
    Picture(&w, "nc_editor");

    // Steps: Clear, Next selects the first record's line; To Tool finds the
    // T word's line.
    e.Press("Clear");
    e.Press("Next");
    QCOMPARE(e.Run().ShownRecord, 1);
    QCOMPARE(e.Editor().textCursor().blockNumber(), path_[1].Line);
    e.Press("To Tool");
    const int tool = e.Run().ShownRecord;
    QCOMPARE(static_cast<int>(path_[static_cast<size_t>(tool)].Kind), static_cast<int>(NcKindTool));
    QVERIFY(e.Editor().textCursor().selectedText().contains('T'));
    e.Press("All");
    QCOMPARE(e.Run().ShownRecord, NcHigh(path_));

    // ReLoad keeps the drawn path even when the text was edited.
    const size_t records = path_.size();
    e.Editor().setPlainText("G00 X999\n");
    e.Press("ReLoad");
    QCOMPARE(w.CurrentJob().NcProgram.size(), records);
    QCOMPARE(e.Editor().toPlainText(), QString("G00 X999"));

    // Close empties the program while the pane is shown.
    w.Action("Close")->setEnabled(true);
    w.Action("Close")->trigger();
    QCOMPARE(NcHigh(w.CurrentJob().NcProgram), 0);
    QCOMPARE(e.Editor().toPlainText(), QString("No File Loaded"));

    // The pane hides and shows again with 3D Editor.
    e.ShowPane(false);
    QVERIFY(!e.Editor().isVisible());
    QCOMPARE(w.View()->State().Mode, static_cast<int>(View2D));
  }

  void RenumbersWithThePost() {
    MainWindow w;
    NcTextEdit editor;
    editor.setPlainText("N0010 G00X0\n(COMMENT)\nG01X1");
    TTBPostProcessor post;
    post.Tokens[TokenNt] = {"N", VarNv, "%d", false};
    post.Comment = "(";
    post.MaxBlock = 99999;
    RenumberDialog d(editor, post);
    d.startField->setText("10");
    d.incrementField->setText("10");
    d.Run(RenumberDialog::Command::ReNumber);
    QCOMPARE(editor.toPlainText(), QString("N10 G00X0\n(COMMENT)\nN20 G01X1"));
    editor.undo();
    QCOMPARE(editor.toPlainText(), QString("N0010 G00X0\n(COMMENT)\nG01X1"));
  }

  void BadFilesLeaveTheEditorAlone() {
    MainWindow w;
    NcEditor& e = *w.Editor();
    QTemporaryDir dir;
    const QString good = dir.filePath("a.nc");
    WriteFileAtomically(good.toStdString(), "G00 X1 Y1\nG01 X2\n");
    QVERIFY(e.OpenProgram(good));
    QVERIFY(!e.OpenProgram(dir.filePath("missing.nc")));
    QVERIFY(w.StatusText(0).contains("No such file"));
    QCOMPARE(e.Editor().toPlainText(), QString("G00 X1 Y1\nG01 X2"));
    QCOMPARE(NcHigh(w.CurrentJob().NcProgram), 2);

    // Bytes that are no program, NUL among them, and a line far longer
    // than is coloured.
    std::string junk(200000, 'X');
    junk += std::string("\0\x01\xff G01 X5\n\r\nG02", 17);
    const QString bin = dir.filePath("junk.bin");
    WriteFileAtomically(bin.toStdString(), junk);
    QVERIFY(e.OpenProgram(bin));
    QApplication::processEvents();
    QVERIFY(e.Editor().blockCount() >= 2);
  }
};

QTEST_MAIN(NcEditorTest)
#include "nc_editor_test.moc"
