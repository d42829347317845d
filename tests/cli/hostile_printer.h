#pragma once
// A printer that answers the read's queries with whatever a test gives it: any text, in pieces,
// late or not at all. It serves one TCP client on 127.0.0.1 or the master side of a
// pseudo-terminal (whose slave it keeps open and raw, so the tool may open and close it), on a
// thread of its own, and keeps every command it received, so that a test can tell that no write
// went out.
#include <QString>
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kestrova::cli::testing {

class HostilePrinter {
 public:
  enum class On { Tcp, Pty };
  // A reply as parts, each sent delayMs after the query.
  using Parts = std::vector<std::pair<int, std::string>>;

  explicit HostilePrinter(On on);
  ~HostilePrinter();
  HostilePrinter(const HostilePrinter&) = delete;
  HostilePrinter& operator=(const HostilePrinter&) = delete;

  // Query step 1..18 answered with these parts instead of the RT5600's own value (an empty list
  // leaves it unanswered). Set before start().
  void answer(int step, Parts parts) { script_[step] = std::move(parts); }
  bool start();
  // "127.0.0.1:PORT" or the pty's slave path.
  QString link() const;
  // Every chunk received that is not a status query (unlock, the write's commands, ...).
  std::vector<std::string> otherCommands() const;

 private:
  void run();
  void onCommand(const std::string& chunk, std::int64_t now);

  On on_;
  std::map<int, Parts> script_;
  int listenFd_ = -1;
  int clientFd_ = -1;  // the TCP client or the pty master
  int slaveFd_ = -1;
  int port_ = 0;
  std::string slavePath_;
  int wake_[2] = {-1, -1};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> other_;
  std::vector<std::pair<std::int64_t, std::string>> due_;  // link thread only
};

}  // namespace kestrova::cli::testing
