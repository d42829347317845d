// kestrova-printer-sim: a simulated receipt printer on TCP and on a pseudo-terminal.
#include <QCoreApplication>
#include <QTextStream>

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include <sys/resource.h>

#include <csignal>

#include "sim/simulator.h"

namespace {

// Thousands of printers with their connections need more descriptors than the usual soft limit of
// 1024; the event loop uses epoll (no select()), so the hard limit is safe to use.
void RaiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace

int main(int argc, char* argv[]) {
  RaiseOpenFileLimit();
  // Qt serves the options, texts and files only; the event loop is io.
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
  boost::asio::io_context io(1);  // one thread: no locking
  // SIGINT and SIGTERM end the event loop; the simulator is destroyed then, so the pty link is
  // removed, the connections log their disconnect and the log is closed.
  boost::asio::signal_set stopSignals(io, SIGINT, SIGTERM);
  stopSignals.async_wait([&io](const boost::system::error_code&, int) { io.stop(); });
  std::signal(SIGPIPE, SIG_IGN);
  kestrova::sim::Simulator simulator(io, options);
  QTextStream out(stdout);
  if (!simulator.start(out, &error)) {
    err << "kestrova-printer-sim: " << error << '\n';
    return 1;
  }
  io.run();
  return 0;
}
