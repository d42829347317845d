// Window start-up and memory probe for `make bench`.
//
//   kestrova-bench-window [--tcp-port PORT]
//
// Starts the window the way kestrova-swutil does (QApplication, TForm2, show) and prints, as
// "key value" lines on stdout:
//   shown_monotonic_ns    CLOCK_MONOTONIC when the window's first show event arrived
//   exposed_monotonic_ns  CLOCK_MONOTONIC when its native window was first exposed
//   painted_monotonic_ns  CLOCK_MONOTONIC when the window's first paint event ended
// The caller takes CLOCK_MONOTONIC just before starting this program, so the differences are the
// start-up times from process start.
// With --tcp-port, it then reads the printer on 127.0.0.1:PORT through "Read Settings" and prints
//   read_ok 1|0, read_ms, and vm_rss_kb, vm_hwm_kb, rss_anon_kb, rss_file_kb (from /proc/self/status
//   after the read).
// Exit status 0 when everything asked for worked, 1 otherwise.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "app/main_window.h"
#include "model/notifier.h"

namespace {

long long MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Reports what the window would show in a message box instead of blocking on one.
class PrintingNotifier : public kestrova::Notifier {
 public:
  void notify(const kestrova::UserMessage& message) override {
    std::fprintf(stderr, "message: %s: %s %s\n", message.caption.c_str(), message.text.c_str(),
                 message.detail.c_str());
  }
};

// Records the first show, expose and paint of the window.
class FirstEvents : public QObject {
 public:
  long long shownNs = 0;
  long long exposedNs = 0;
  long long paintedNs = 0;
  bool done() const { return shownNs && exposedNs && paintedNs; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const long long now = MonotonicNs();
    switch (event->type()) {
      case QEvent::Show:
        if (!shownNs && watched->isWidgetType()) shownNs = now;
        break;
      case QEvent::Expose:
        if (!exposedNs) {
          if (auto* window = qobject_cast<QWindow*>(watched); window && window->isExposed()) exposedNs = now;
        }
        break;
      default:
        break;
    }
    return false;
  }
};

// Marks the end of the window's first paint: a paint event filter runs before the paint, so the
// mark is taken by a zero-time timer queued from within it, which runs once the paint is done.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(FirstEvents& first) : first_(first) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !armed_) {
      armed_ = true;
      QTimer::singleShot(0, [this] { first_.paintedNs = MonotonicNs(); });
    }
    return false;
  }

 private:
  FirstEvents& first_;
  bool armed_ = false;
};

std::string StatusField(const char* key) {
  QFile status("/proc/self/status");
  if (!status.open(QIODevice::ReadOnly)) return "0";
  const QByteArray prefix = QByteArray(key) + ':';
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith(prefix)) {
      const QByteArray value = line.mid(prefix.size()).trimmed();
      return value.split(' ').first().toStdString();  // "12345 kB" -> "12345"
    }
  }
  return "0";
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kestrova Software Switch Utility");

  int tcpPort = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--tcp-port") == 0 && i + 1 < argc) tcpPort = std::atoi(argv[++i]);
  }

  PrintingNotifier notifier;
  WindowOptions options;
  options.notifier = &notifier;
  TForm2 window(options);

  FirstEvents first;
  PaintWatch paintWatch(first);
  window.installEventFilter(&first);
  window.installEventFilter(&paintWatch);
  window.show();  // creates the native window; it is exposed later, from the event loop
  window.windowHandle()->installEventFilter(&first);

  QTimer giveUp;
  giveUp.setSingleShot(true);
  QObject::connect(&giveUp, &QTimer::timeout, &app, [&app] { app.exit(1); });
  giveUp.start(10000);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &app, [&] {
    if (first.done()) app.exit(0);
  });
  poll.start(1);
  if (app.exec() != 0) {
    std::fprintf(stderr, "the window was not shown within 10 s\n");
    return 1;
  }
  poll.stop();
  giveUp.stop();
  std::printf("shown_monotonic_ns %lld\nexposed_monotonic_ns %lld\npainted_monotonic_ns %lld\n", first.shownNs,
              first.exposedNs, first.paintedNs);
  std::fflush(stdout);
  if (tcpPort == 0) return 0;

  const WindowLayout& ui = window.widgets();
  ui.portSelection->setCurrentIndex(ui.portSelection->findText("TCP/IP"));
  ui.ipAddress->setText("127.0.0.1");
  ui.port->setText(QString::number(tcpPort));

  bool readOk = false;
  QObject::connect(&window, &TForm2::readFinished, &app, [&](bool ok) {
    readOk = ok;
    app.exit(0);
  });
  QObject::connect(&giveUp, &QTimer::timeout, &app, [&app] { app.exit(1); });
  QElapsedTimer readTime;
  readTime.start();
  giveUp.start(15000);
  QTimer::singleShot(0, ui.readSW, [&ui] { ui.readSW->click(); });
  const bool ended = app.exec() == 0;
  const qint64 readMs = readTime.elapsed();
  // Let the last updates of the read reach the widgets before measuring.
  QCoreApplication::processEvents();
  std::printf("read_ok %d\nread_ms %lld\nvm_rss_kb %s\nvm_hwm_kb %s\nrss_anon_kb %s\nrss_file_kb %s\n",
              ended && readOk ? 1 : 0, static_cast<long long>(readMs), StatusField("VmRSS").c_str(),
              StatusField("VmHWM").c_str(), StatusField("RssAnon").c_str(), StatusField("RssFile").c_str());
  std::fflush(stdout);
  return ended && readOk ? 0 : 1;
}
