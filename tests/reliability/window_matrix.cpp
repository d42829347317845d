#include "window_matrix.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QProgressBar>
#include <QtTest>
#include <optional>

#include "app/radio_group.h"
#include "link/com_port_map.h"
#include "model/switch_bank.h"
#include "window_fixture.h"

namespace kestrova::reliability {

namespace {

using kestrova::sim::testing::FreePort;
using kestrova::sim::testing::LogEvents;
using kestrova::sim::testing::SimProcess;

constexpr int kSerialCom = 3;  // the serial component path
constexpr int kDeviceCom = 7;  // the device-handle path
constexpr int kQueries = 18;
// Every value a write sends back, as a refusal names them.
const char* const kAllWritten = "SW1, SW2, SW3, SW4, SW5, Code Page, International Character Set, New 8x16 Font";

// The byte that switch n shows, or nothing when one of its eight groups has no position.
std::optional<int> ShownByte(const WindowFixture& w, int n) {
  int value = 0;
  for (int b = 1; b <= kBitsPerSwitch; ++b) {
    const int position = w.ui().switches[static_cast<std::size_t>(SwitchIndex(n, b))]->itemIndex();
    if (position < 0) return std::nullopt;
    value |= position << (b - 1);
  }
  return value;
}

QString Message(const WindowFixture& w, std::size_t i) {
  return i < w.notifier.messages.size() ? QString::fromStdString(w.notifier.messages[i].text) : QString();
}

void ExpectReadFailed(WindowFixture& w) {
  QCOMPARE(w.notifier.messages.size(), std::size_t(1));
  QCOMPARE(Message(w, 0), QString("Read software switch FAILED"));
  QCOMPARE(QString::fromStdString(w.notifier.messages[0].caption), QString("WARNING"));
  // Ready for the next read.
  QVERIFY(w.ui().readSW->isEnabled());
  QVERIFY(w.ui().portSelection->isEnabled());
  QVERIFY(!w.ui().writeSW->isEnabled());
  QVERIFY(!w.ui().selfTest->isEnabled());
  QVERIFY(!w.ui().fontTest->isEnabled());
  QCOMPARE(w.ui().progress->value(), 0);
  w.expectNoLaterBox(1);
}

void ExpectReadDone(WindowFixture& w) {
  QVERIFY2(w.notifier.messages.empty(), qPrintable(Message(w, 0)));
  QVERIFY(w.ui().readSW->isEnabled());
  QVERIFY(w.ui().writeSW->isEnabled());
  QVERIFY(!w.ui().portSelection->isEnabled());
  QCOMPARE(w.ui().progress->value(), 100);
  w.expectNoLaterBox(0);
}

// Rows whose point is timing run on the steady clock: replies late against the real pauses, and
// the fault-free row, whose read must take its full pauses (one per query: no query is tried again).
bool RealTimeRow(const FaultRow& r) { return r.simArgs.contains("--delay-ms") || QString(r.fault) == "none"; }

int ShortestReadMs(Link link) { return kQueries * (link == Link::Device ? 250 : 200); }

void ExpectSwitchBytes(const WindowFixture& w, bool valid) {
  for (int n = 1; n <= kSwitchBytes; ++n) {
    const auto shown = ShownByte(w, n);
    if (valid) {
      QVERIFY2(shown && *shown == n, qPrintable(QString("SW%1").arg(n)));
    } else {
      QVERIFY2(!shown, qPrintable(QString("SW%1 shows a byte from no valid reply").arg(n)));
    }
  }
}

// Every switch shows its own byte or no position; never another byte.
void ExpectNoWrongSwitchByte(const WindowFixture& w) {
  for (int n = 1; n <= kSwitchBytes; ++n) {
    const auto shown = ShownByte(w, n);
    QVERIFY2(!shown || *shown == n, qPrintable(QString("SW%1 shows %2").arg(n).arg(shown.value_or(-1))));
  }
}

// Clicks "Write Settings"; returns the message shown at its end (after the warning).
QString Write(WindowFixture& w, int limitMs) {
  QSignalSpy finished(w.form.get(), &TForm2::operationFinished);
  QElapsedTimer clock;
  clock.start();
  w.ui().writeSW->click();
  if (finished.isEmpty() && !finished.wait(limitMs)) return "no end within the limit";
  if (clock.elapsed() > limitMs) return "took " + QString::number(clock.elapsed()) + " ms";
  if (w.notifier.messages.size() != 2 || Message(w, 0) != "Don't let printer shut down when writing settings")
    return "messages: " + QString::number(w.notifier.messages.size());
  if (!w.ui().readSW->isEnabled()) return "read button left disabled";
  return Message(w, 1);
}

// The write refused because values were not read cleanly: one box naming them, no warning,
// nothing reaches the printer.
void ExpectWriteRefused(WindowFixture& w, const QString& log, const QString& names) {
  w.ui().writeSW->click();
  QCOMPARE(w.notifier.messages.size(), std::size_t(1));
  QCOMPARE(Message(w, 0), QString("Write software switch FAILED"));
  const QString detail = QString::fromStdString(w.notifier.messages[0].detail);
  QCOMPARE(detail, "not read cleanly: " + names + "; read the printer again");
  QTest::qWait(300);
  QCOMPARE(WriteEvents(LogEvents(log)), QStringList());
}

}  // namespace

void AddWindowRows(Link link, const std::function<bool(const FaultRow&)>& filter) {
  QTest::addColumn<int>("row");
  const auto rows = Rows(link);
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (!filter || filter(rows[i])) QTest::newRow(rows[i].name) << static_cast<int>(i);
}

void RunWindowRow(Link link) {
  QFETCH(int, row);
  const FaultRow r = Rows(link)[static_cast<std::size_t>(row)];
  const bool tcp = link == Link::Tcp;
  SimProcess sim;
  const QString log = sim.logPath();
  const QString pty = sim.ptyPath();
  PortHolder holder;
  if (r.port == Port::Simulator || r.port == Port::Held) {
    const QStringList args = CommonSimArgs() + r.simArgs +
                             (tcp ? QStringList{"--tcp", "127.0.0.1:0"} : QStringList{"--pty", pty});
    QVERIFY2(sim.startLogged(args), qPrintable(sim.errorText()));
  }
  if (r.port == Port::Held) QVERIFY(holder.hold(pty));
  const QString device = r.port == Port::Absent ? QString("/dev/kestrova-no-such-port") : pty;
  if (link == Link::Serial) ComPortMap::instance().setOverride(kSerialCom, device.toStdString());
  if (link == Link::Device) ComPortMap::instance().setOverride(kDeviceCom, device.toStdString());

  WindowFixture w;
  const bool realTime = RealTimeRow(r);
  if (realTime) w.clock = &SteadyClock::instance();
  w.open();
  if (tcp) w.setTcpTarget(r.port == Port::Refused ? FreePort() : sim.tcpPort());
  if (link == Link::Serial) w.selectPort(QString("COM%1").arg(kSerialCom));
  if (link == Link::Device) w.selectPort(QString("COM%1").arg(kDeviceCom));

  // The read, within the row's limit.
  QSignalSpy finished(w.form.get(), &TForm2::readFinished);
  QElapsedTimer clock;
  clock.start();
  w.ui().readSW->click();
  QVERIFY2(finished.wait(r.limitMs + 500), "the read did not end");
  const qint64 elapsed = clock.elapsed();
  QVERIFY2(elapsed <= r.limitMs, qPrintable(QString("the read took %1 ms").arg(elapsed)));
  if (realTime && QString(r.fault) == "none")
    QVERIFY2(elapsed >= ShortestReadMs(link), qPrintable(QString("the read took only %1 ms").arg(elapsed)));
  const bool ok = finished.first().first().toBool();
  QCOMPARE(finished.size(), 1);

  const QString tail = link == Link::Device ? " " : "";  // device-handle fields end with a space
  auto field = [&](RecordField f) { return w.field(f); };
  switch (r.expect) {
    case Expect::ReadFailed:
      QVERIFY(!ok);
      ExpectReadFailed(w);
      break;
    case Expect::ReadOk:
      QVERIFY(ok);
      ExpectReadDone(w);
      QCOMPARE(w.logLines(), ExpectedLog());
      QCOMPARE(field(RecordField::ModelName), "RT-5600" + tail);
      QCOMPARE(field(RecordField::Frwv), "V1.05" + tail);
      QCOMPARE(field(RecordField::SerialNumber), "KS00000001" + tail);
      ExpectSwitchBytes(w, true);
      break;
    case Expect::ReadOkShifted:
      if (!ok) {
        ExpectReadFailed(w);
        break;
      }
      ExpectReadDone(w);
      // The firmware reply comes after its query's window: never taken in it.
      QVERIFY2(field(RecordField::Frwv) != "V1.05" + tail, "a reply later than its window was taken in time");
      ExpectWriteRefused(w, log, kAllWritten);
      break;
    case Expect::ReadOkNoSwitches:
      QVERIFY(ok);
      ExpectReadDone(w);
      QCOMPARE(w.logLines(), ExpectedLog());
      QCOMPARE(field(RecordField::Frwv), "V1.05" + tail);
      ExpectSwitchBytes(w, false);
      ExpectWriteRefused(w, log, kAllWritten);
      break;
    case Expect::ReadOkPadded:
      QVERIFY(ok);
      ExpectReadDone(w);
      QVERIFY(field(RecordField::ModelName).startsWith("RT-5600#"));
      QCOMPARE(field(RecordField::ModelName).size(), 126);
      // A take holds what has arrived: the printer's value and its padding, or, when the pty had
      // not passed all 10 kB of the previous reply in time, the rest of that padding.
      QVERIFY(PaddedOrLeftover(field(RecordField::Frwv), "V1.05"));
      QVERIFY(PaddedOrLeftover(field(RecordField::SerialNumber), "KS00000001"));
      ExpectNoWrongSwitchByte(w);
      break;
    case Expect::ReadOkOverlong:
      QVERIFY(ok);
      ExpectReadDone(w);
      QVERIFY(field(RecordField::ModelName).startsWith("RT-5600#"));
      QCOMPARE(w.logLines().first().left(25), QString("Read Model Name = RT-5600"));
      // What was left of one reply is dropped before the next query: a field shows the start of
      // its own reply, or what of it came late; never another value.
      QVERIFY(PaddedOrLeftover(field(RecordField::Frwv).trimmed(), "V1.05"));
      QVERIFY(PaddedOrLeftover(field(RecordField::SerialNumber).trimmed(), "KS00000001"));
      ExpectNoWrongSwitchByte(w);
      ExpectWriteRefused(w, log, kAllWritten);
      break;
    case Expect::ReadOkUnknownModel:
      QVERIFY(ok);
      ExpectReadDone(w);
      QCOMPARE(field(RecordField::ModelName), "XY-1234" + tail);
      QCOMPARE(int(w.form->activeModelNo()), 0);
      QCOMPARE(w.label(0), QString("Reserve"));
      QCOMPARE(w.label(SwitchIndex(5, 8)), QString("Reserve"));
      ExpectSwitchBytes(w, true);
      break;
    case Expect::WriteOk:
    case Expect::WriteCut: {
      QVERIFY(ok);
      ExpectReadDone(w);
      QCOMPARE(w.logLines(), ExpectedLog());
      const QString outcome = Write(w, r.limitMs);
      // The simulator logs what it took a moment after the window has seen the write end, in the
      // order sent: wait for the whole write, then 100 ms more for anything sent after it; for a cut
      // write as long as a pause, time enough for what it took before the cut.
      const int expected = r.expect == Expect::WriteOk ? int(ExpectedWriteEvents(link).size()) : 0;
      QElapsedTimer logged;
      logged.start();
      QStringList events = WriteEvents(LogEvents(log));
      while (expected == 0 ? logged.elapsed() < 300 : events.size() < expected && logged.elapsed() < 3000) {
        QTest::qWait(20);
        events = WriteEvents(LogEvents(log));
      }
      if (expected > 0) {
        QTest::qWait(100);
        events = WriteEvents(LogEvents(log));
      }
      if (r.expect == Expect::WriteOk) {
        QCOMPARE(outcome, QString("Write software switch settings OK, please reboot your printer"));
        QCOMPARE(QString::fromStdString(w.notifier.messages[1].caption), QString("FINISH"));
        QCOMPARE(events, ExpectedWriteEvents(link));
      } else {
        QCOMPARE(outcome, QString("Write software switch FAILED"));
        QCOMPARE(QString::fromStdString(w.notifier.messages[1].caption), QString("WARNING"));
        QVERIFY2(!events.contains("lock"), qPrintable(events.join(", ")));
        QVERIFY(!events.isEmpty() && events.first() == "unlock");
      }
      break;
    }
  }
}

}  // namespace kestrova::reliability
