#pragma once
// The running simulator: the printers, their TCP ports and pty, the log and the state file.
#include <QTextStream>

#include <memory>
#include <unordered_set>
#include <vector>

#include "sim/sim_log.h"
#include "sim/sim_options.h"
#include "sim/state_file.h"

namespace boost::asio {
class io_context;
}

namespace kestrova::sim {

class PtyPort;
class SimPrinter;
class TcpListener;

// Every listener, connection and the pty are served by the one event loop io (epoll on Linux);
// the caller runs it.
class Simulator {
 public:
  Simulator(boost::asio::io_context& io, SimOptions options);
  ~Simulator();

  // Loads the state (applying pending values, as at power-on), opens the log, starts listening and
  // writes one "listening ..." line per address to out. False with a message on failure.
  bool start(QTextStream& out, QString* error);

 private:
  // Writes every printer to the --state file, if there is one.
  bool saveState(QString* error);

  boost::asio::io_context& io_;
  SimOptions options_;
  SimLog log_;
  std::vector<std::unique_ptr<SimPrinter>> printers_;
  std::vector<SavedPrinter> extraSaved_;  // printers of the state file beyond --count, kept as they are
  std::vector<std::unique_ptr<TcpListener>> listeners_;
  // Listeners paused at the open-file limit since the last descriptor was freed (a listener
  // resumed by its own retry may still be listed: resuming it again does nothing). A freed
  // descriptor so costs nothing per printer.
  std::unordered_set<TcpListener*> pausedListeners_;
  std::unique_ptr<PtyPort> pty_;
};

}  // namespace kestrova::sim
