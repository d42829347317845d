#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kestrova Software Switch Utility");
  QApplication::setApplicationDisplayName("Kestrova Software Switch Utility");
  QMainWindow window;
  window.setWindowTitle("Kestrova Software Switch Utility v2.0.5");
  window.setFixedSize(790, 612);
  window.show();
  return app.exec();
}
