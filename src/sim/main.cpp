// kestrova-printer-sim: a simulated receipt printer on TCP and on a pseudo-terminal.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <unistd.h>

#include "sim/simulator.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char c = 1;
  [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &c, 1);
}

// SIGINT and SIGTERM end the event loop, so the pty link is removed and the log closed.
void QuitOnSignals(QCoreApplication& app) {
  if (::pipe(g_signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("kestrova-printer-sim"));
  QCoreApplication::setApplicationVersion(QStringLiteral(KESTROVA_VERSION));

  QCommandLineParser parser;
  kestrova::sim::AddOptions(parser);
  parser.process(app);

  QTextStream err(stderr);
  kestrova::sim::SimOptions options;
  QString error;
  if (!kestrova::sim::ReadOptions(parser, options, &error)) {
    err << "kestrova-printer-sim: " << error << '\n';
    return 2;
  }
  QuitOnSignals(app);
  kestrova::sim::Simulator simulator(options);
  QTextStream out(stdout);
  if (!simulator.start(out, &error)) {
    err << "kestrova-printer-sim: " << error << '\n';
    return 1;
  }
  return app.exec();
}
