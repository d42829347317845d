// kestrova-printer-sim: a simulated receipt printer on TCP and on a pseudo-terminal.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <sys/resource.h>

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

// Up to 4096 printers with their connections need more descriptors than the usual soft limit of
// 1024; the event loop polls (no select()), so the hard limit is safe to use.
void RaiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace

int main(int argc, char* argv[]) {
  RaiseOpenFileLimit();
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
