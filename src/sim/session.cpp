#include "sim/session.h"

#include <algorithm>

#include "sim/sim_log.h"
#include "sim/sim_printer.h"

namespace kestrova::sim {

Session::Session(boost::asio::io_context& io, SimPrinter& printer, const Faults& faults, SimLog& log, QString link,
                 LinkOps ops, std::function<void()> printerChanged)
    : printer_(printer),
      faults_(faults),
      log_(log),
      link_(std::move(link)),
      ops_(std::move(ops)),
      printerChanged_(std::move(printerChanged)),
      unsentLimit_(std::max<qint64>(kUnsentLimit, 2 * qint64(faults.overlong))),
      timer_(io) {}

qint64 Session::elapsedMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started_).count();
}

void Session::receive(const QByteArray& bytes) {
  if (closed_ || inputEnded_ || bytes.isEmpty()) return;
  const qint64 start = received_;
  received_ += bytes.size();
  if (dropping_) {
    // Waiting for delayed replies before the drop: the bytes are logged, not run.
    std::vector<std::pair<qint64, qint64>> hidden;
    if (bytes.size() > kGarbageShown) hidden.emplace_back(start + kGarbageShown, received_);
    log_.rxText(link_, rxText(bytes, start, hidden, received_));
    return;
  }

  const std::vector<Command> commands = parser_.feed(bytes);
  // Which ignored bytes are shown: the first kGarbageShown of each run, a run reaching over chunks.
  std::vector<int> shown(commands.size(), 0);
  std::vector<std::pair<qint64, qint64>> hidden;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const Command& c = commands[i];
    if (c.kind != Command::Kind::Unknown) {
      runStart_ = runEnd_ = -1;
      continue;
    }
    if (c.offset != runEnd_) runStart_ = c.offset;
    runEnd_ = c.offset + c.raw.size();
    shown[i] = static_cast<int>(std::clamp<qint64>(runStart_ + kGarbageShown - c.offset, 0, c.raw.size()));
    if (shown[i] < c.raw.size()) hidden.emplace_back(c.offset + shown[i], runEnd_);
  }
  // Bytes held back as the start of a command are not known to be garbage yet. In a chunk that
  // shows nothing else, they are carried over to the next rx line instead of getting a line each.
  const QByteArray line = unshownTail_ + bytes;
  const qint64 lineStart = start - unshownTail_.size();
  const qint64 tail = std::min<qint64>(parser_.pendingBytes().size(), line.size());
  unshownTail_.clear();
  bool shownBeforeTail = false;
  const QByteArray rx = rxText(line, lineStart, hidden, received_ - tail, &shownBeforeTail);
  if (!hidden.empty() && !shownBeforeTail) unshownTail_ = line.right(tail);
  else if (!rx.isEmpty()) log_.rxText(link_, rx);

  for (std::size_t i = 0; i < commands.size() && !closed_; ++i) {
    const Command& c = commands[i];
    if (c.kind == Command::Kind::Unknown) {
      if (shown[i] > 0) log_.event(link_, QStringLiteral("ignored ") + HexBytes(c.raw.left(shown[i])));
      hiddenGarbage_ += c.raw.size() - shown[i];
      if (hiddenGarbage_ >= kGarbageReportEvery) reportHiddenGarbage();
      continue;
    }
    reportHiddenGarbage();
    const Step step = printer_.execute(c);
    log_.event(link_, step.event);
    if (step.changed && printerChanged_) printerChanged_();
    if (!step.reply.isEmpty() && !faults_.silent) queueReply(ShapeReply(faults_, step.reply, garbageState_));
    if (closed_) return;  // dropped for its unsent replies
    if (faults_.dropAfter > 0 && ++commands_ >= faults_.dropAfter) {
      dropping_ = true;
      break;
    }
  }
  closeIfDone();
}

void Session::endOfInput() {
  if (closed_ || inputEnded_) return;
  inputEnded_ = true;
  reportHiddenGarbage();
  closeIfDone();
}

void Session::linkGone() {
  if (closed_) return;
  closed_ = true;
  timer_.stop();
  delayed_.clear();
  delayedBytes_ = 0;
  reportHiddenGarbage();
}

void Session::queueReply(const QByteArray& reply) {
  if (faults_.delayMs > 0) {
    delayed_.push_back({elapsedMs() + faults_.delayMs, reply});
    delayedBytes_ += reply.size();
    if (!timer_.isActive()) timer_.start(faults_.delayMs, [this] { sendDue(); });
  } else {
    send(reply);
  }
  withinLimit();
}

bool Session::withinLimit() {
  const qint64 unsent = delayedBytes_ + ops_.unsent();
  if (unsent <= unsentLimit_) return true;
  timer_.stop();
  delayed_.clear();
  delayedBytes_ = 0;
  if (ops_.overflow(unsent)) return true;
  linkGone();
  return false;
}

void Session::send(const QByteArray& bytes) {
  log_.tx(link_, bytes);
  ops_.write(bytes);
}

void Session::sendDue() {
  while (!closed_ && !delayed_.empty() && delayed_.front().due <= elapsedMs()) {
    const QByteArray bytes = std::move(delayed_.front().bytes);
    delayed_.pop_front();
    delayedBytes_ -= bytes.size();
    send(bytes);
    if (!withinLimit()) return;
  }
  if (!delayed_.empty())
    timer_.start(static_cast<int>(std::max<qint64>(0, delayed_.front().due - elapsedMs())), [this] { sendDue(); });
  closeIfDone();
}

void Session::closeIfDone() {
  if (closed_ || !delayed_.empty() || !(dropping_ || inputEnded_)) return;
  closed_ = true;
  if (dropping_) log_.event(link_, QStringLiteral("drop after %1 commands").arg(commands_));
  ops_.close();
}

void Session::reportHiddenGarbage() {
  if (hiddenGarbage_ == 0) return;
  log_.event(link_, QStringLiteral("ignored %1 more bytes").arg(hiddenGarbage_));
  hiddenGarbage_ = 0;
}

QByteArray Session::rxText(const QByteArray& bytes, qint64 start,
                           const std::vector<std::pair<qint64, qint64>>& hidden, qint64 tail,
                           bool* shownBeforeTail) const {
  const qint64 end = start + bytes.size();
  QByteArray text;
  bool anyShown = false;
  if (shownBeforeTail) *shownBeforeTail = false;
  qint64 at = start;
  auto append = [&text](const QByteArray& part) {
    if (!text.isEmpty()) text += ' ';
    text += part;
  };
  auto showUpTo = [&](qint64 to) {
    if (to <= at) return;
    append(bytes.mid(at - start, to - at).toHex(' '));
    anyShown = true;
    if (shownBeforeTail && at < tail) *shownBeforeTail = true;
    at = to;
  };
  for (const auto& [from, to] : hidden) {
    const qint64 a = std::max(from, start);
    const qint64 b = std::min(to, end);
    if (a >= b) continue;
    showUpTo(a);
    append("(" + QByteArray::number(b - a) + " more bytes)");
    at = b;
  }
  showUpTo(end);
  // A chunk of nothing but counted bytes gets no line of its own.
  return anyShown ? text : QByteArray();
}

}  // namespace kestrova::sim
