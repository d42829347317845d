// The read over the device handle (USB, COM5..COM20): up to three 250 ms-spaced reads per query,
// only 0x5F replies count, 1000 ms between queries for the RT-4300 and the KD250.
#include <QtTest>

#include "fake_link.h"
#include "printer_script.h"
#include "protocol/read_sequence.h"
#include "recording_observer.h"

using namespace kestrova;

namespace {

// Send times of a device read whose every query is answered at once: 250 ms per query, and
// before each query its number of inter-query delays (twice before queries 8, 9 and 18).
std::vector<std::int64_t> ExpectedSendTimes(int delayMs) {
  const int delaysBefore[18] = {0, 1, 1, 1, 1, 1, 1, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 2};
  std::vector<std::int64_t> times;
  std::int64_t t = 0;
  for (int d : delaysBefore) {
    t += static_cast<std::int64_t>(delayMs) * d;
    times.push_back(t);
    t += 250;
  }
  return times;
}

}  // namespace

class DeviceReadTest : public QObject {
  Q_OBJECT
 private slots:
  void fullReadSendsTheQueriesWithTheirDeviceLengths() {
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock);
    ScriptPrinter(link, {}, true);
    RecordingObserver observer;
    TraceCapture traces;

    const ReadResult result = ReadDeviceData(link, clock, observer, 0);

    QVERIFY(result.ok());
    std::vector<Bytes> commands;
    for (int step = 1; step <= 18; ++step) commands.push_back(DeviceQueryBytes(step));
    QCOMPARE(link.sentBytes(), commands);
    QCOMPARE(link.sentTimes(), ExpectedSendTimes(0));
    QCOMPARE(clock.nowMs(), std::int64_t(18 * 250));
    QCOMPARE(link.receiveSizes, std::vector<std::size_t>(18, 64));
    // every valid reply is logged and steps the progress bar, 10 to 12 included
    QCOMPARE(observer.log.size(), std::size_t(18));
    QCOMPARE(observer.log[0], std::string("Read Model Name = RT-6100\r\n"));
    QCOMPARE(observer.log[11], std::string("Read Line Printed = 89012\r\n"));
    QCOMPARE(observer.progress, 18);
    // edits show the value and one space; the language fields show the lists' texts
    QCOMPARE(observer.record.text(RecordField::ModelName), std::string("RT-6100 "));
    QCOMPARE(observer.record.text(RecordField::Frwv), std::string("V1.02 "));
    QCOMPARE(observer.record.text(RecordField::FontRom), std::string("ROM-A "));
    QCOMPARE(observer.record.text(RecordField::CodePage), std::string("17 - Cyrillic"));
    QCOMPARE(observer.record.text(RecordField::InternationalCharSet), std::string("3 - U.K."));
    QCOMPARE(observer.record.text(RecordField::New8x16Font), std::string("ON"));
    QCOMPARE(observer.codePages, std::vector<int>{17});
    QCOMPARE(observer.charSets, std::vector<int>{15});
    // the slots keep the "_"
    QCOMPARE(SlotText(observer.switchSlots[3]), std::string("_255\0\0\0\0", 8));
    QCOMPARE(SlotText(observer.switchSlots[2]), std::string("_128\0\0\0\0", 8));
    QCOMPARE(result.activeModelNo, ModelNo(4));
    QCOMPARE(observer.appliedModel, ModelNo(4));
    // watchdog off at the start and again after the name; the link discarded then closed
    QCOMPARE(observer.calls[0], std::string("stopWatchdog"));
    QCOMPARE(observer.calls[1], std::string("clearRecord"));
    QCOMPARE(observer.count("stopWatchdog"), 2);
    QCOMPARE(observer.count("restartWatchdog"), 0);
    const std::vector<std::string> tail(link.events.end() - 2, link.events.end());
    QCOMPARE(tail, (std::vector<std::string>{"discard", "close"}));
    QVERIFY(std::find(traces.lines.begin(), traces.lines.end(), "(ReadSW)SW1=0,SW2=1,SW3=128,SW4=255") !=
            traces.lines.end());
  }

  // The reported name picks the model from the USB list; the RT-4300 and the KD250 wait a second
  // before every query.
  void slowModelsWaitASecondBeforeEveryQuery() {
    const struct {
      const char* name;
      int model, delay;
    } rows[] = {{"RT-4300", 6, 1000}, {"KD250", 8, 1000}, {"RT-4300X", 10, 0}, {"RT-5500E", 13, 0}, {"KD6abc", 7, 0}};
    for (const auto& row : rows) {
      FakeClock clock;
      FakeLink link(LinkShape::DeviceHandle, clock);
      PrinterAnswers answers;
      answers.values[0] = row.name;
      ScriptPrinter(link, answers, true);
      RecordingObserver observer;
      const ReadResult result = ReadDeviceData(link, clock, observer, 0);
      QVERIFY(result.ok());
      QCOMPARE(QString("%1: %2").arg(row.name).arg(int(result.activeModelNo)), QString("%1: %2").arg(row.name).arg(row.model));
      QVERIFY2(link.sentTimes() == ExpectedSendTimes(row.delay), row.name);
      QCOMPARE(clock.nowMs(), std::int64_t(18 * 250 + 20 * row.delay));
    }
  }

  void replyWithoutHeaderIsIgnoredAndReadAgain() {
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock);
    link.answerParts(DeviceQueryBytes(7), {{100, Bytes("XV9.99\0", 7)}, {400, Bytes("_V1\0", 4)}});
    ScriptPrinter(link, {}, true, 0, {7});
    RecordingObserver observer;
    QVERIFY(ReadDeviceData(link, clock, observer, 0).ok());
    QCOMPARE(link.sent.size(), std::size_t(18));
    QCOMPARE(link.receiveSizes.size(), std::size_t(19));
    QCOMPARE(observer.record.text(RecordField::Frwv), std::string("V1 "));
    QCOMPARE(observer.log[6], std::string("Read Firmware Revision = V1\r\n"));
  }

  void queryWithoutValidReplyLeavesItsFieldAndLogsNothing() {
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock);
    ScriptPrinter(link, {}, true, 0, {9});
    link.answer(DeviceQueryBytes(9), "567");  // no header
    RecordingObserver observer;
    QVERIFY(ReadDeviceData(link, clock, observer, 0).ok());
    QCOMPARE(observer.log.size(), std::size_t(17));
    QCOMPARE(observer.progress, 17);
    QCOMPARE(observer.record.text(RecordField::CutPaperCount), std::string());
    // three reads, the last two finding nothing and waiting their bound; then the read watches
    // for that reply coming late
    QCOMPARE(clock.nowMs(), std::int64_t(18 * 250 + 2 * 250 + 2 * kDeviceReceiveTimeoutMs + kDeviceStrayReplyWaitMs));
  }

  void nameMatchRunsOnWhatTheLastReadLeft() {
    // not valid, yet the name in the buffer still selects the model; no log line for it
    FakeClock clock;
    FakeLink odd(LinkShape::DeviceHandle, clock);
    odd.answer(DeviceQueryBytes(1), Bytes("XRT-5600\0", 9));
    ScriptPrinter(odd, {}, true, 0, {1});
    RecordingObserver observer;
    const ReadResult result = ReadDeviceData(odd, clock, observer, 0);
    QVERIFY(result.ok());
    QCOMPARE(result.activeModelNo, ModelNo(9));
    QCOMPARE(observer.log.front(), std::string("Read Software Switch 1 = 0\r\n"));
    QCOMPARE(observer.record.text(RecordField::ModelName), std::string());
  }

  void unrecognisedNameKeepsTheModelTheReadStartedWith() {
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock);
    PrinterAnswers answers;
    answers.values[0] = "ZQ8_USB";
    ScriptPrinter(link, answers, true);
    RecordingObserver observer;
    const ReadResult result = ReadDeviceData(link, clock, observer, 14);
    QVERIFY(result.ok());
    QCOMPARE(result.activeModelNo, ModelNo(14));
    QCOMPARE(observer.appliedModel, ModelNo(14));
    QCOMPARE(observer.record.text(RecordField::ModelName), std::string("ZQ8_USB "));
  }

  void switchSlotKeepsTheFirstFiveBytes() {
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock);
    PrinterAnswers answers;
    answers.values[1] = "1234567";
    answers.values[2] = "5";
    ScriptPrinter(link, answers, true);
    RecordingObserver observer;
    QVERIFY(ReadDeviceData(link, clock, observer, 0).ok());
    QCOMPARE(SlotText(observer.switchSlots[0]), std::string("_1234\0\0\0", 8));
    QCOMPARE(SlotText(observer.switchSlots[1]), std::string("_5\0\0\0\0\0\0", 8));
    QCOMPARE(observer.log[1], std::string("Read Software Switch 1 = 1234567\r\n"));
  }

  void fontReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("expected");
    const QByteArray z(1, '\0');
    QTest::newRow("ON") << QByteArray("_ON") + z << int(FontReply::On);
    QTest::newRow("header alone") << QByteArray("_") << int(FontReply::Off);
  }
  void fontReply() {
    QFETCH(QByteArray, reply);
    QFETCH(int, expected);
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock);
    ScriptPrinter(link, {}, true, 0, {18});
    link.answer(DeviceQueryBytes(18), Bytes(reply.constData(), static_cast<std::size_t>(reply.size())));
    RecordingObserver observer;
    QVERIFY(ReadDeviceData(link, clock, observer, 0).ok());
    QCOMPARE(observer.fonts.size(), std::size_t(1));
    QCOMPARE(int(observer.fonts[0]), expected);
  }

  void printerThatAnswersNothingFailsTheRead() {
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock);
    link.answer(DeviceQueryBytes(1), "no header");
    RecordingObserver observer;
    const ReadResult result = ReadDeviceData(link, clock, observer, 0);
    QCOMPARE(result.outcome, ReadOutcome::Aborted);
    QVERIFY(!result.reason.empty());
    QCOMPARE(link.sent.size(), std::size_t(18));
    QVERIFY(observer.log.empty());
    QCOMPARE(observer.applied, 0);
    QCOMPARE(observer.calls.back(), std::string("restartWatchdog"));
    QCOMPARE(link.discards, 1);
    QCOMPARE(link.closes, 1);
  }

  // The device goes away right after a query went out: whichever query it was, the read fails
  // and applies nothing.
  void deviceLostDuringAQueryFailsTheRead_data() {
    QTest::addColumn<int>("query");
    QTest::newRow("query 5") << 5;
    QTest::newRow("last query") << 18;
  }
  void deviceLostDuringAQueryFailsTheRead() {
    QFETCH(int, query);
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock);
    ScriptPrinter(link, {}, true);
    link.afterSend = [&](int index) {
      if (index == query - 1) link.setOpen(false);
    };
    RecordingObserver observer;
    const ReadResult result = ReadDeviceData(link, clock, observer, 0);
    QCOMPARE(result.outcome, ReadOutcome::Aborted);
    QCOMPARE(result.reason, "link lost at query " + std::to_string(query) + ": fake: connection closed");
    QCOMPARE(link.sent.size(), std::size_t(query));
    QCOMPARE(observer.applied, 0);
    QCOMPARE(observer.calls.back(), std::string("restartWatchdog"));
  }

  void closedHandleSendsNothing() {
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock, false);
    RecordingObserver observer;
    const ReadResult result = ReadDeviceData(link, clock, observer, 3);
    QCOMPARE(result.outcome, ReadOutcome::Aborted);
    QCOMPARE(result.activeModelNo, ModelNo(3));
    QVERIFY(link.events.empty());
    QVERIFY(observer.calls.empty());
  }

  void cancelledReadLeavesTheLinkAlone() {
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock);
    ScriptPrinter(link, {}, true);
    RecordingObserver observer;
    observer.cancelWhen = [&] { return link.sent.size() >= 4; };
    QCOMPARE(ReadDeviceData(link, clock, observer, 0).outcome, ReadOutcome::Cancelled);
    QCOMPARE(link.sent.size(), std::size_t(4));
    QCOMPARE(link.discards, 0);
    QCOMPARE(link.closes, 0);
    QCOMPARE(observer.applied, 0);
    QCOMPARE(observer.count("restartWatchdog"), 0);
  }
};

QTEST_APPLESS_MAIN(DeviceReadTest)
#include "test_device_read.moc"
