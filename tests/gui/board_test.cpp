// The board commands of the window, offscreen: Open Gerber with its filter,
// All as Islands (PCB), the PCB Route dialog and its run; PC Board refused
// after DeSelect All.
#include <memory>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QtTest>

#include "app/main_window.h"
#include "modal.h"
#include "test_program_folder.h"
#include "core/files.h"

using namespace tibrel;

class BoardTest : public QObject {
  Q_OBJECT
 private slots:
  // Every test runs beside settings of its own, never the built program's.
  void init() {
    folder_ = std::make_unique<TestProgramFolder>();
    QVERIFY(folder_->IsValid());
  }
  void cleanup() {
    folder_.reset();
  }

  void openGerberAndRoute() {
    QTemporaryDir dir;
    const QString board = dir.path() + "/pads.gtl";
    WriteFileAtomically(board.toStdString(),
                        "%FSLAX46Y46*%\n%MOMM*%\n%ADD10C,1.6*%\n%ADD11R,2.0X1.0*%\nD10*\nX0Y0D03*\nD11*\nX5000000Y0D03*\nM02*\n");
    MainWindow w;
    w.resize(900, 600);
    w.show();
    QString filter;
    w.chooseFile = [&](const QString&, const QString& f, const QString&, bool) {
      filter = f;
      return board;
    };
    w.Action("Open Gerber")->trigger();
    QVERIFY(filter.contains("*.gtl") && filter.contains("*.gbl") && filter.contains("*.cmp") && filter.contains("All Files"));
    QCOMPARE(w.StatusText(0), QString("3 Regions Created... 0 Open   Units: mm"));
    QVERIFY(w.Action("PC Board")->isEnabled());

    QString message;
    ReadMessage(message);
    w.Action("PC Board")->trigger();
    QCOMPARE(message, QString("Use Select All as Islands for this function"));

    w.Action("Select All as Islands (PCB)")->trigger();
    OnModal([](QWidget* d) {
      QCOMPARE(d->windowTitle(), QString("PCB Route"));
      QVERIFY(!d->findChild<QLineEdit*>("RoughStepZ"));
      for (auto [key, value] : {std::pair{"RoughDiameter", "0.2"}, std::pair{"RoughFeed", "300"},
                                std::pair{"RoughPlunge", "100"}, std::pair{"RapidHeight", "2"}})
        d->findChild<QLineEdit*>(key)->setText(value);
      d->findChild<QLineEdit*>("Depth")->setText("0.1");
      auto* route = d->findChild<QPushButton*>("Run");
      QCOMPARE(route->text(), QString("Route"));
      route->click();
    });
    w.Action("PC Board")->trigger();
    QCOMPARE(w.StatusText(0), QString("Routing complete..."));
    QCOMPARE(w.CurrentJob().Toolpaths.size(), size_t{3});
    QVERIFY(w.Action("Save Toolpaths CNC")->isEnabled());

    w.Action("DeSelect All")->trigger();
    message.clear();
    ReadMessage(message);
    w.Action("PC Board")->trigger();
    QCOMPARE(message, QString("Use Select All as Islands for this function"));
  }
 private:
  std::unique_ptr<TestProgramFolder> folder_;
};

QTEST_MAIN(BoardTest)
#include "board_test.moc"
