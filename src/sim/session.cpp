#include "sim/session.h"

#include <algorithm>

#include "sim/sim_log.h"
#include "sim/sim_printer.h"

namespace kestrova::sim {

Session::Session(SimPrinter& printer, const Faults& faults, SimLog& log, QString link, LinkOps ops,
                 QObject* parent)
    : QObject(parent),
      printer_(printer),
      faults_(faults),
      log_(log),
      link_(std::move(link)),
      ops_(std::move(ops)),
      unsentLimit_(std::max<qint64>(kUnsentLimit, 2 * qint64(faults.overlong))) {
  clock_.start();
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &Session::sendDue);
}

void Session::receive(const QByteArray& bytes) {
  if (closed_ || inputEnded_ || bytes.isEmpty()) return;
  log_.rx(link_, bytes);
  if (dropping_) return;
  for (const Step& step : printer_.feed(parser_, bytes)) {
    log_.event(link_, step.event);
    if (step.changed) emit printerChanged();
    if (!step.reply.isEmpty() && !faults_.silent) queueReply(ShapeReply(faults_, step.reply, garbageState_));
    if (closed_) return;  // dropped for its unsent replies
    if (step.kind != Command::Kind::Unknown && faults_.dropAfter > 0 && ++commands_ >= faults_.dropAfter) {
      dropping_ = true;
      break;
    }
  }
  closeIfDone();
}

void Session::endOfInput() {
  if (closed_ || inputEnded_) return;
  inputEnded_ = true;
  closeIfDone();
}

void Session::linkGone() {
  if (closed_) return;
  closed_ = true;
  timer_.stop();
  delayed_.clear();
  delayedBytes_ = 0;
}

void Session::queueReply(const QByteArray& reply) {
  if (faults_.delayMs > 0) {
    delayed_.push_back({clock_.elapsed() + faults_.delayMs, reply});
    delayedBytes_ += reply.size();
    if (!timer_.isActive()) timer_.start(faults_.delayMs);
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
  while (!closed_ && !delayed_.empty() && delayed_.front().due <= clock_.elapsed()) {
    const QByteArray bytes = std::move(delayed_.front().bytes);
    delayed_.pop_front();
    delayedBytes_ -= bytes.size();
    send(bytes);
    if (!withinLimit()) return;
  }
  if (!delayed_.empty())
    timer_.start(static_cast<int>(std::max<qint64>(0, delayed_.front().due - clock_.elapsed())));
  closeIfDone();
}

void Session::closeIfDone() {
  if (closed_ || !delayed_.empty() || !(dropping_ || inputEnded_)) return;
  closed_ = true;
  if (dropping_) log_.event(link_, QStringLiteral("drop after %1 commands").arg(commands_));
  ops_.close();
}

}  // namespace kestrova::sim
