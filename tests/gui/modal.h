// Answering the window's modal dialogs and message boxes from a test: the
// action runs once the modal window shows, from the event loop that the
// command's exec() turns.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <memory>

// Acts on the next modal window as soon as it shows; gives up after 2000
// turns of 10 ms without one.
inline void OnModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  auto turns = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [=] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w && ++*turns < 2000) return;
    timer->stop();
    timer->deleteLater();
    if (w) act(w);
  });
  timer->start(10);
}

// The text of the next message box, which is then closed.
inline void ReadMessage(QString& text) {
  OnModal([&text](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    text = box ? box->text() : QString("not a message box: ") + w->windowTitle();
    static_cast<QDialog*>(w)->accept();
  });
}

// The text of the next message box, answered with its Cancel button.
inline void ReadMessageAndCancel(QString& text) {
  OnModal([&text](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    text = box ? box->text() : QString("not a message box: ") + w->windowTitle();
    if (box) box->button(QMessageBox::Cancel)->click();
    else static_cast<QDialog*>(w)->reject();
  });
}
