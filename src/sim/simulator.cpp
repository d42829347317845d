#include "sim/simulator.h"

#include "sim/pty_port.h"
#include "sim/sim_printer.h"
#include "sim/tcp_listener.h"

#include <utility>

namespace kestrova::sim {

Simulator::Simulator(boost::asio::io_context& io, SimOptions options) : io_(io), options_(std::move(options)) {}

Simulator::~Simulator() {
  // Links first: they log their disconnect and refer to the printers.
  pty_.reset();
  listeners_.clear();
}

bool Simulator::start(QTextStream& out, QString* error) {
  if (!log_.open(options_.logPath, error)) return false;

  std::vector<SavedPrinter> saved;
  if (!options_.statePath.isEmpty()) {
    auto loaded = LoadStateFile(options_.statePath, options_.values, error);
    if (!loaded) return false;
    saved = std::move(*loaded);
  }
  for (int i = 0; i < options_.count; ++i) {
    const auto k = static_cast<std::size_t>(i);
    auto printer = std::make_unique<SimPrinter>(k < saved.size() ? saved[k].current : options_.values);
    if (k < saved.size()) {
      printer->setPending(saved[k].pending);
      printer->restart();  // power-on: written values take effect
    }
    printers_.push_back(std::move(printer));
  }
  if (saved.size() > printers_.size()) extraSaved_.assign(saved.begin() + options_.count, saved.end());
  if (!saveState(error)) return false;

  if (options_.tcp) {
    for (int i = 0; i < options_.count; ++i) {
      TcpListener::Callbacks callbacks;
      callbacks.printerChanged = [this] { saveState(nullptr); };
      // A descriptor freed by any printer's connection lets a listener paused at the limit go on.
      callbacks.descriptorFreed = [this] {
        for (TcpListener* l : std::exchange(pausedListeners_, {})) l->resumeAccepting();
      };
      callbacks.paused = [this](TcpListener* l) { pausedListeners_.insert(l); };
      auto listener = std::make_unique<TcpListener>(io_, *printers_[static_cast<std::size_t>(i)], options_.faults,
                                                    log_, std::move(callbacks));
      const quint16 port = options_.tcpPort == 0 ? 0 : static_cast<quint16>(options_.tcpPort + i);
      if (!listener->listen(options_.tcpAddress, port, error)) return false;
      log_.event(listener->link(), QStringLiteral("listening"));
      out << "listening tcp " << options_.tcpAddress.toString() << ':' << listener->port() << '\n';
      listeners_.push_back(std::move(listener));
    }
  }
  if (!options_.ptyPath.isEmpty()) {
    pty_ = std::make_unique<PtyPort>(io_, *printers_.front(), options_.faults, log_, [this] { saveState(nullptr); });
    pty_->setRequiredBaud(options_.ptyBaud);
    if (!pty_->open(options_.ptyPath, error)) return false;
    log_.event(pty_->link(), QStringLiteral("listening ") + pty_->slaveName());
    out << "listening pty " << options_.ptyPath << " -> " << pty_->slaveName() << '\n';
  }
  out.flush();
  return true;
}

bool Simulator::saveState(QString* error) {
  if (options_.statePath.isEmpty()) return true;
  std::vector<SavedPrinter> all;
  for (const auto& p : printers_) all.push_back({p->current(), p->pending()});
  all.insert(all.end(), extraSaved_.begin(), extraSaved_.end());
  QString message;
  if (SaveStateFile(options_.statePath, all, &message)) return true;
  log_.event(QStringLiteral("sim"), message);
  if (error) *error = message;
  return false;
}

}  // namespace kestrova::sim
