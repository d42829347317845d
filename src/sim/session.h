#pragma once
// One link to a simulated printer (a TCP connection or the pty): takes the received bytes, runs
// them on the printer, logs, and sends the replies as the faults shape them. The transport hands
// in its operations (write, unsent, close, overflow) and knows nothing of commands.
//
// Bounds against a client that misbehaves:
//  - replies not yet sent (delayed ones and those the transport still holds) may not exceed
//    UnsentLimit(); over it the transport's overflow() decides (TCP drops the connection);
//  - a run of bytes that form no command is logged in part: its first kGarbageShown bytes in the
//    rx lines and "ignored <hex>" events as usual, the rest only counted, as "(N more bytes)" in
//    an rx line and one "ignored N more bytes" event when a command ends the run, at every
//    kGarbageReportEvery bytes and when the link ends.
#include <QByteArray>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>

#include "sim/command_parser.h"
#include "sim/loop_timer.h"
#include "sim/reply_faults.h"

namespace kestrova::sim {

class SimLog;
class SimPrinter;

class Session {
 public:
  struct LinkOps {
    std::function<void(const QByteArray&)> write;  // queue bytes for sending
    std::function<qint64()> unsent;                // bytes queued and not yet sent
    std::function<void()> close;                   // close once the queued bytes are out
    // More than UnsentLimit() bytes wait: the transport throws them away and goes on (true) or
    // drops the link at once (false).
    std::function<bool(qint64 unsent)> overflow;
  };

  static constexpr qint64 kUnsentLimit = 64 * 1024;
  static constexpr int kGarbageShown = 32;
  static constexpr qint64 kGarbageReportEvery = 1024 * 1024;

  // Delayed replies wait on a timer of io. printerChanged runs when the printer's pending values
  // changed (to be saved).
  Session(boost::asio::io_context& io, SimPrinter& printer, const Faults& faults, SimLog& log, QString link,
          LinkOps ops, std::function<void()> printerChanged);

  // 64 KiB, or two replies when --overlong makes them longer, so one reply always fits.
  qint64 unsentLimit() const { return unsentLimit_; }

  void receive(const QByteArray& bytes);
  // The peer sends nothing more (TCP half-close): the replies still due go out, then the link closes.
  void endOfInput();
  // The transport closed the link: nothing more is sent; the garbage count still due is logged.
  void linkGone();

 private:
  void queueReply(const QByteArray& reply);
  void send(const QByteArray& bytes);
  void sendDue();
  bool withinLimit();
  void closeIfDone();
  void reportHiddenGarbage();
  // The rx line of bytes starting at stream offset `start`, the ranges in `hidden` left out;
  // shownBeforeTail tells whether a byte before stream offset `tail` is shown.
  QByteArray rxText(const QByteArray& bytes, qint64 start, const std::vector<std::pair<qint64, qint64>>& hidden,
                    qint64 tail, bool* shownBeforeTail = nullptr) const;

  SimPrinter& printer_;
  Faults faults_;
  SimLog& log_;
  QString link_;
  LinkOps ops_;
  std::function<void()> printerChanged_;
  qint64 unsentLimit_;
  CommandParser parser_;
  quint32 garbageState_ = 0x2545F491u;
  int commands_ = 0;
  bool dropping_ = false;
  bool inputEnded_ = false;
  bool closed_ = false;

  qint64 received_ = 0;        // bytes received so far: the stream offset of the next chunk
  qint64 runStart_ = -1;       // the current run of ignored bytes, as stream offsets; -1: none
  qint64 runEnd_ = -1;
  qint64 hiddenGarbage_ = 0;   // bytes of the run left out of the log and not yet reported
  QByteArray unshownTail_;     // held-back bytes of a chunk that got no rx line, for the next line

  struct Delayed {
    qint64 due;
    QByteArray bytes;
  };
  std::deque<Delayed> delayed_;
  qint64 delayedBytes_ = 0;
  qint64 elapsedMs() const;

  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  LoopTimer timer_;
};

}  // namespace kestrova::sim
