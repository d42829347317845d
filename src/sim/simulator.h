#pragma once
// The running simulator: the printers, their TCP ports and pty, the log and the state file.
#include <QObject>
#include <QTextStream>

#include <memory>
#include <vector>

#include "sim/sim_log.h"
#include "sim/sim_options.h"
#include "sim/state_file.h"

namespace kestrova::sim {

class PtyPort;
class SimPrinter;
class TcpListener;

class Simulator : public QObject {
  Q_OBJECT
 public:
  explicit Simulator(SimOptions options, QObject* parent = nullptr);
  ~Simulator() override;

  // Loads the state (applying pending values, as at power-on), opens the log, starts listening and
  // writes one "listening ..." line per address to out. False with a message on failure.
  bool start(QTextStream& out, QString* error);

 private:
  // Writes every printer to the --state file, if there is one.
  bool saveState(QString* error);

  SimOptions options_;
  SimLog log_;
  std::vector<std::unique_ptr<SimPrinter>> printers_;
  std::vector<SavedPrinter> extraSaved_;  // printers of the state file beyond --count, kept as they are
  std::vector<std::unique_ptr<TcpListener>> listeners_;
  std::unique_ptr<PtyPort> pty_;
};

}  // namespace kestrova::sim
