#include "app/exception_report.h"
#include "app/main_window.h"
#include "app/message_box_notifier.h"

int main(int argc, char* argv[]) {
  ReportingApplication app(argc, argv);
  QApplication::setApplicationName(kApplicationTitle);
  // Lets the desktop match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName("com.kestrova.SwitchUtility");
  try {
    TForm2 window;
    window.show();
    return app.exec();
  } catch (...) {
    // Start-up failed, or something escaped the loop: report it, then end.
    MessageBoxNotifier boxes;
    boxes.notify(ExceptionReport(CurrentExceptionText()));
    return 1;
  }
}
