// tibrel: the desktop program.
#include <QApplication>

#include "app/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tibrel::MainWindow window;
  window.ShowAsLastTime();
  if (argc > 1) window.OpenFile(QString::fromLocal8Bit(argv[1]));
  return app.exec();
}
