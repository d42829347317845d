// A device-handle read whose link goes away part-way (the line hung up, the adapter unplugged):
// the read fails at the first write that the device no longer takes, instead of trying every later
// query three times and then reporting the replies that came before as a successful read.
#include <QtTest>

#include "fake_link.h"
#include "printer_script.h"
#include "protocol/read_sequence.h"
#include "recording_observer.h"

using namespace kestrova;

class DeviceLinkLostTest : public QObject {
  Q_OBJECT
 private slots:
  void writeRefusedByAGoneDeviceFailsTheRead_data() {
    QTest::addColumn<int>("failingSend");
    for (int n : {1, 3, 11, 17}) QTest::newRow(qPrintable(QString("query %1").arg(n + 1))) << n;
  }

  void writeRefusedByAGoneDeviceFailsTheRead() {
    QFETCH(int, failingSend);
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock);
    ScriptPrinter(link, {}, true);
    link.failSendsFrom(failingSend);  // an I/O error, as a hung-up line gives
    RecordingObserver observer;

    const ReadResult result = ReadDeviceData(link, clock, observer, 0);

    QVERIFY(!result.ok());
    QCOMPARE(result.outcome, ReadOutcome::Aborted);
    QVERIFY2(result.reason.find("link lost at query " + std::to_string(failingSend + 1)) != std::string::npos,
             result.reason.c_str());
    // Nothing after the failed write: no further query, no switch replies applied.
    QCOMPARE(link.sent.size(), std::size_t(failingSend));
    QCOMPARE(observer.applied, 0);
    QCOMPARE(observer.log.size(), std::size_t(failingSend));
    // The link is given up and the watchdog reports the failure.
    QCOMPARE(link.closes, 1);
    QCOMPARE(observer.calls.back(), std::string("restartWatchdog"));
    // At once: no 250 ms waits for replies that cannot come.
    QCOMPARE(clock.nowMs(), std::int64_t(failingSend) * kDeviceAttemptWaitMs);
  }
};

QTEST_GUILESS_MAIN(DeviceLinkLostTest)
#include "test_device_link_lost.moc"
