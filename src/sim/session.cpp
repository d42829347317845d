#include "sim/session.h"

#include "sim/sim_log.h"
#include "sim/sim_printer.h"

namespace kestrova::sim {

Session::Session(SimPrinter& printer, const Faults& faults, SimLog& log, QString link, Writer writer,
                 Closer closer, QObject* parent)
    : QObject(parent),
      printer_(printer),
      faults_(faults),
      log_(log),
      link_(std::move(link)),
      writer_(std::move(writer)),
      closer_(std::move(closer)) {
  clock_.start();
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &Session::sendDue);
}

void Session::receive(const QByteArray& bytes) {
  if (closed_ || bytes.isEmpty()) return;
  log_.rx(link_, bytes);
  if (dropping_) return;
  for (const Step& step : printer_.feed(parser_, bytes)) {
    log_.event(link_, step.event);
    if (step.changed) emit printerChanged();
    if (!step.reply.isEmpty() && !faults_.silent) {
      const QByteArray reply = ShapeReply(faults_, step.reply, garbageState_);
      if (faults_.delayMs > 0) {
        delayed_.push_back({clock_.elapsed() + faults_.delayMs, reply});
        if (!timer_.isActive()) timer_.start(faults_.delayMs);
      } else {
        send(reply);
      }
    }
    if (step.kind != Command::Kind::Unknown && faults_.dropAfter > 0 &&
        ++commands_ >= faults_.dropAfter) {
      dropping_ = true;
      break;
    }
  }
  closeIfDone();
}

void Session::send(const QByteArray& bytes) {
  log_.tx(link_, bytes);
  writer_(bytes);
}

void Session::sendDue() {
  while (!delayed_.empty() && delayed_.front().due <= clock_.elapsed()) {
    send(delayed_.front().bytes);
    delayed_.pop_front();
  }
  if (!delayed_.empty())
    timer_.start(static_cast<int>(std::max<qint64>(0, delayed_.front().due - clock_.elapsed())));
  closeIfDone();
}

void Session::closeIfDone() {
  if (!dropping_ || closed_ || !delayed_.empty()) return;
  closed_ = true;
  log_.event(link_, QStringLiteral("drop after %1 commands").arg(commands_));
  closer_();
}

}  // namespace kestrova::sim
