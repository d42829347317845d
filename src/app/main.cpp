#include <QApplication>

#include "app/main_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kestrova Software Switch Utility");
  // Lets the desktop match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName("com.kestrova.SwitchUtility");
  TForm2 window;
  window.show();
  return app.exec();
}
