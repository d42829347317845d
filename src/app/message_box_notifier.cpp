#include "app/message_box_notifier.h"

#include <QMessageBox>

void MessageBoxNotifier::notify(const kestrova::UserMessage& message) {
  QMessageBox box;
  box.setWindowTitle(QString::fromStdString(message.caption));
  box.setText(QString::fromStdString(message.text));
  if (!message.detail.empty()) box.setInformativeText(QString::fromStdString(message.detail));
  switch (message.icon) {
    case kestrova::MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case kestrova::MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case kestrova::MessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}
