#include <QApplication>

#include "app/main_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kestrova Software Switch Utility");
  TForm2 window;
  window.show();
  return app.exec();
}
