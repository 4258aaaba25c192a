// With TIBREL_SCREENSHOTS naming a folder, the window tests save pictures
// of what the user sees. Each picture is named after its test function and
// numbered, so that none overwrites another.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <QtTest/QtTest>

inline void Picture(const QImage& image, const QString& name) {
  static int count = 0;
  const QByteArray dir = qgetenv("TIBREL_SCREENSHOTS");
  if (dir.isEmpty()) return;
  image.save(QString("%1/%2_%3_%4.png")
                 .arg(QString::fromLocal8Bit(dir), QString::fromLatin1(QTest::currentTestFunction()))
                 .arg(++count, 2, 10, QChar('0'))
                 .arg(name));
}

inline void Picture(QWidget* w, const QString& name) {
  if (!qgetenv("TIBREL_SCREENSHOTS").isEmpty()) Picture(w->grab().toImage(), name);
}
