// A window test's own program folder: the program starts in a fresh folder
// with the shipped settings copied in as on a first run, so nothing beside
// the built program is read or written and no test sees what another saved.
#pragma once

#include <QTemporaryDir>
#include <QtGlobal>

class TestProgramFolder {
 public:
  TestProgramFolder() {
    qputenv("TIBREL_PROGRAM_FOLDER", dir_.path().toLocal8Bit());
    qputenv("TIBREL_RESOURCE_FOLDER", QByteArray(TIBREL_SOURCE_DIR "/resources"));
  }
  ~TestProgramFolder() { qunsetenv("TIBREL_PROGRAM_FOLDER"); }
  bool IsValid() const { return dir_.isValid(); }
  QString Path() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
};
