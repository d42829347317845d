#pragma once
// The report of an exception nobody expected: a message box with the exception's text, after
// which the program goes on. Used by the window's event handlers and link jobs, and by the
// application object for anything that escapes the event loop.
#include <QApplication>
#include <exception>
#include <functional>
#include <string>

#include "model/exception_text.h"
#include "model/notifier.h"

// The application's title; the caption of the exception report.
inline constexpr const char* kApplicationTitle = "Kestrova Software Switch Utility";

// The exception's text in a box captioned with the application's title; an exception that is not
// a std::exception is reported with an empty text.
kestrova::UserMessage ExceptionReport(const std::string& what);

// Runs fn; an exception it throws is reported through the notifier and goes no further.
void RunReportingExceptions(kestrova::Notifier& notifier, const std::function<void()>& fn);

using kestrova::CurrentExceptionText;

// The GUI application: an exception escaping an event handler is reported in a message box
// instead of ending the program.
class ReportingApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override;
};
