// One printer session over USB (a bus held in memory): which operation opens the handle, which one
// keeps it and which one closes it, what goes out, the pauses on the clock, and the one message of
// a failure. The other links are driven end to end by the window and command-line suites.
#include <QtTest>

#include "link/fake_clock.h"
#include "link/fake_usb_backend.h"
#include "protocol/plain_read_observer.h"
#include "session/printer_session.h"

using namespace kestrova;

namespace {

WriteValues Values() {
  WriteValues v;
  v.switches = {5, 255, 128, 30, 0};
  v.codePageNumber = 1;
  v.codePageName = "Katakana Japanese";
  v.charSetNumber = 8;
  return v;
}

}  // namespace

class PrinterSessionTest : public QObject {
  Q_OBJECT
 private slots:
  // A row: whether a printer is on the bus, the operations in order, and what must hold after
  // them: opens and closes of the device, bytes sent, time on the clock, the last outcome.
  void usb_data() {
    QTest::addColumn<bool>("present");
    QTest::addColumn<QStringList>("ops");
    QTest::addColumn<QString>("expect");
    QTest::newRow("two test prints share one handle") << true << QStringList{"self", "font"}
                                                      << "opens=1;closes=0;sent=497;t=850;last=ok";
    QTest::newRow("closing the session ends the kept handle") << true << QStringList{"self", "close"}
                                                              << "opens=1;closes=1;sent=7;t=500;last=ok";
    QTest::newRow("a write opens afresh and closes") << true << QStringList{"self", "write"}
                                                     << "opens=2;closes=2;sent=107;t=3000;last=ok";
    QTest::newRow("a read opens afresh and closes") << true << QStringList{"font", "read"}
                                                    << "opens=2;closes=2;last=Read software switch FAILED|no valid reply to any query";
    QTest::newRow("no printer: nothing opened, nothing sent") << false << QStringList{"self"}
                                                              << "opens=0;sent=0;t=0;last=Open usb FAILED|USB: no supported printer found";
    QTest::newRow("a test print that throws names the exception") << true << QStringList{"self!"}
                                                                  << "opens=1;closes=0;sent=0;t=0;last=Self Test FAILED|bulk OUT broke";
  }
  void usb() {
    QFETCH(bool, present);
    QFETCH(QStringList, ops);
    QFETCH(QString, expect);
    auto* bus = new FakeUsbBackend;
    // Absent: only a device of another vendor, which must never be opened.
    FakeUsbBackend::Device& device = present ? bus->addDevice("2a09") : bus->addDevice("2a09", "04b8");
    FakeClock clock;
    PrinterSession::Options options;
    options.clock = &clock;
    options.usbBackend = [bus] { return std::unique_ptr<UsbBackend>(bus); };
    PrinterSession session(options);
    LinkChoice usb;
    usb.kind = LinkChoice::Kind::Usb;
    // The operations one after another on one loop, as the window's link thread runs them.
    const SessionOutcome last = RunToEnd([&]() -> Task<SessionOutcome> {
      SessionOutcome outcome;
      for (const QString& op : ops) {
        PlainReadObserver observer;
        if (op.endsWith('!')) device.writeThrows = "bulk OUT broke";
        if (op.startsWith("self") || op == "font")
          outcome = co_await session.testPrint(usb, op.startsWith("self") ? TestPrint::SelfTest : TestPrint::FontTest);
        if (op == "write") outcome = co_await session.write(usb, Values());
        if (op == "read") outcome = co_await session.read(usb, observer);
        if (op == "close") session.closeAll();
      }
      co_return outcome;
    }());
    QMap<QString, QString> facts{
        {"opens", QString::number(device.opens)},
        {"closes", QString::number(device.closes)},
        {"sent", QString::number(device.written.size())},
        {"t", QString::number(clock.nowMs())},
        {"last", last.ok ? "ok" : QString::fromStdString(last.message + "|" + last.cause)}};
    for (const QString& fact : expect.split(';')) QCOMPARE(fact.section('=', 0, 0) + "=" + facts[fact.section('=', 0, 0)], fact);
  }
};

QTEST_GUILESS_MAIN(PrinterSessionTest)
#include "test_printer_session.moc"
