#include "app/exception_report.h"

#include "app/message_box_notifier.h"

kestrova::UserMessage ExceptionReport(const std::string& what) {
  return {what, kApplicationTitle, kestrova::MessageIcon::Error, {}};
}

void RunReportingExceptions(kestrova::Notifier& notifier, const std::function<void()>& fn) {
  try {
    fn();
  } catch (...) {
    notifier.notify(ExceptionReport(CurrentExceptionText()));
  }
}

bool ReportingApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    MessageBoxNotifier boxes;
    boxes.notify(ExceptionReport(CurrentExceptionText()));
    return false;
  }
}
