// The read over the serial component and TCP/IP: 18 four-byte queries, 200 ms after each, one take
// per reply.
#include <QtTest>

#include "fake_link.h"
#include "printer_script.h"
#include "protocol/read_sequence.h"
#include "recording_observer.h"

using namespace kestrova;

Q_DECLARE_METATYPE(kestrova::LinkShape)

namespace {

const std::vector<std::string> kFullLog = {
    "Read Model Name = RT-6100\r\n",
    "Read Software Switch 1 = 0\r\n",
    "Read Software Switch 2 = 1\r\n",
    "Read Software Switch 3 = 128\r\n",
    "Read Software Switch 4 = 255\r\n",
    "Read Software Switch 5 = 30\r\n",
    "Read Firmware Revision = V1.02\r\n",
    "Read Hours Powered = 1234\r\n",
    "Read Cut Paper Count = 567\r\n",
    "Read Installation Date = 2021-03-04\r\n",
    "Read Failed Paper Cut = 2\r\n",
    "Read Line Printed = 89012\r\n",
    "Read Serial Number = SN0001\r\n",
    "Read Language Model = Latin\r\n",
    "Read Font ROM = ROM-A\r\n",
    "Read Code Page = 17\r\n",
    "Read International Character Set = 15\r\n",
    "Read New 8x16 Font = ON\r\n",
};

void AddShapes() {
  QTest::addColumn<LinkShape>("shape");
  QTest::newRow("serial") << LinkShape::SerialComponent;
  QTest::newRow("tcp") << LinkShape::Tcp;
}

}  // namespace

class QuerySeriesTest : public QObject {
  Q_OBJECT
 private slots:
  void fullReadSendsTheEighteenQueriesEvery200Ms_data() { AddShapes(); }
  void fullReadSendsTheEighteenQueriesEvery200Ms() {
    QFETCH(LinkShape, shape);
    FakeClock clock;
    FakeLink link(shape, clock);
    ScriptPrinter(link);
    RecordingObserver observer;
    TraceCapture traces;

    const ReadResult result = ReadData(link, clock, observer);

    QVERIFY(result.ok());
    QCOMPARE(link.sent.size(), std::size_t(18));
    for (int step = 1; step <= 18; ++step) {
      QCOMPARE(link.sent[static_cast<std::size_t>(step - 1)].bytes, QueryBytes(step));
      QCOMPARE(link.sent[static_cast<std::size_t>(step - 1)].timeMs, std::int64_t(200 * (step - 1)));
    }
    QCOMPARE(clock.nowMs(), std::int64_t(18 * 200));
    QCOMPARE(observer.log, kFullLog);
    QCOMPARE(observer.progress, 15);
    QCOMPARE(result.activeModelNo, ModelNo(4));
    QCOMPARE(observer.appliedModel, ModelNo(4));
    QCOMPARE(observer.applied, 1);
    QCOMPARE(SlotText(observer.switchSlots[0]), std::string("_0\0\0\0\0\0\0", 8));
    QCOMPARE(SlotText(observer.switchSlots[3]), std::string("_255\0\0\0\0", 8));
    QCOMPARE(observer.record.text(RecordField::ModelName), std::string("RT-6100"));
    QCOMPARE(observer.record.text(RecordField::Frwv), std::string("V1.02"));
    QCOMPARE(observer.record.text(RecordField::InstallationDate), std::string("2021-03-04"));
    QCOMPARE(observer.record.text(RecordField::SerialNumber), std::string("SN0001"));
    QCOMPARE(observer.record.text(RecordField::FontRom), std::string("ROM-A"));
    QCOMPARE(observer.record.text(RecordField::CodePage), std::string("17 - Cyrillic"));
    QCOMPARE(observer.record.text(RecordField::InternationalCharSet), std::string("3 - U.K."));
    QCOMPARE(observer.record.text(RecordField::New8x16Font), std::string("ON"));
    QCOMPARE(observer.codePages, std::vector<int>{17});
    QCOMPARE(observer.charSets, std::vector<int>{15});
    QCOMPARE(observer.calls.front(), std::string("stopWatchdog"));
    QCOMPARE(observer.calls[1], std::string("clearRecord"));
    QCOMPARE(observer.calls.back(), std::string("applySwitchReplies"));
    QCOMPARE(observer.count("restartWatchdog"), 0);
    const std::string port = shape == LinkShape::Tcp ? "(ReadData) Port = \"TCP/IP\"" : "(ReadData) Port = \"COM\"";
    QCOMPARE(traces.countStartingWith(port), 1);
    QVERIFY(std::find(traces.lines.begin(), traces.lines.end(), "(ReadSW)SW1=0,SW2=1,SW3=128,SW4=255") !=
            traces.lines.end());
  }

  void serialDiscardsPendingInputBeforeTheFirstQuery() {
    FakeClock clock;
    FakeLink link(LinkShape::SerialComponent, clock);
    link.preload(Bytes("stale bytes\0", 12));
    ScriptPrinter(link);
    RecordingObserver observer;
    QVERIFY(ReadData(link, clock, observer).ok());
    QCOMPARE(link.events[0], std::string("take"));
    QCOMPARE(link.events[1], std::string("send"));
    QCOMPARE(observer.record.text(RecordField::ModelName), std::string("RT-6100"));
  }

  void tcpTakesOneReceiveOf64Or8Bytes() {
    FakeClock clock;
    FakeLink link(LinkShape::Tcp, clock);
    ScriptPrinter(link);
    RecordingObserver observer;
    QVERIFY(ReadData(link, clock, observer).ok());
    std::vector<std::size_t> expected(18, 64);
    for (int i = 1; i <= 5; ++i) expected[static_cast<std::size_t>(i)] = 8;
    QCOMPARE(link.receiveSizes, expected);
    // Before each query only a look for bytes waiting (a late reply), never a take of a reply.
    for (std::size_t i = 0; i < link.events.size(); ++i)
      if (link.events[i] == "take") QCOMPARE(link.events.at(i + 1), std::string("send"));
  }

  // The serial component matches the reported name in the serial list, TCP/IP in its own.
  void reportedNameSelectsTheModelPerLink() {
    const struct {
      LinkShape shape;
      const char* name;
      int model;
    } rows[] = {{LinkShape::SerialComponent, "RT-5500E", 13}, {LinkShape::Tcp, "RT-5500E", 3},
                {LinkShape::SerialComponent, "KD6-plus", 7},  {LinkShape::Tcp, "KD-240", 7},
                {LinkShape::SerialComponent, "RT-4300X", 10}, {LinkShape::Tcp, "RT-3206", 18}};
    for (const auto& row : rows) {
      FakeClock clock;
      FakeLink link(row.shape, clock);
      PrinterAnswers answers;
      answers.values[0] = row.name;
      ScriptPrinter(link, answers);
      RecordingObserver observer;
      const ReadResult result = ReadData(link, clock, observer);
      QVERIFY(result.ok());
      const QString key = QString("%1 over %2: ").arg(row.name).arg(int(row.shape));
      QCOMPARE(key + QString::number(result.activeModelNo) + " " + QString::number(observer.appliedModel),
               key + QString::number(row.model) + " " + QString::number(row.model));
    }
  }

  void threeUnrecognisedNamesAbortTheRead_data() {
    QTest::addColumn<LinkShape>("shape");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("serial") << LinkShape::SerialComponent << "(COM)";
    QTest::newRow("tcp") << LinkShape::Tcp << "(TCP)";
  }
  void threeUnrecognisedNamesAbortTheRead() {
    QFETCH(LinkShape, shape);
    QFETCH(QString, prefix);
    FakeClock clock;
    FakeLink link(shape, clock);
    link.answer(QueryBytes(1), Reply("XP-9999"));
    RecordingObserver observer;
    TraceCapture traces;

    const ReadResult result = ReadData(link, clock, observer);

    QCOMPARE(result.outcome, ReadOutcome::Aborted);
    QVERIFY(!result.reason.empty());
    QCOMPARE(link.sent.size(), std::size_t(3));
    for (const auto& s : link.sent) QCOMPARE(s.bytes, QueryBytes(1));
    QCOMPARE(clock.nowMs(), std::int64_t(600));
    std::vector<std::string> failed;
    for (const auto& line : traces.lines)
      if (line.find("read model name failed") != std::string::npos) failed.push_back(line);
    const std::string p = prefix.toStdString();
    QCOMPARE(failed, (std::vector<std::string>{p + "read model name failed cc=1, tmp=_XP-9999",
                                               p + "read model name failed cc=2, tmp=_XP-9999",
                                               p + "read model name failed cc=3, tmp=_XP-9999"}));
    QVERIFY(observer.log.empty());
    QCOMPARE(observer.progress, 0);
    QCOMPARE(observer.applied, 0);
    QCOMPARE(observer.calls.back(), std::string("restartWatchdog"));
    QCOMPARE(observer.record.text(RecordField::ModelName), std::string());
  }

  void nameRecognisedOnTheSecondAttemptIsLoggedOnce() {
    FakeClock clock;
    FakeLink fresh(LinkShape::SerialComponent, clock);
    fresh.silence(QueryBytes(1));  // the first attempt gets nothing, the second the name
    ScriptPrinter(fresh);
    RecordingObserver observer;
    TraceCapture traces;
    QVERIFY(ReadData(fresh, clock, observer).ok());
    QCOMPARE(fresh.sent.size(), std::size_t(19));
    QCOMPARE(traces.countStartingWith("(COM)read model name failed cc=1, tmp="), 1);
    QCOMPARE(traces.countStartingWith("(COM)read model name failed cc=2"), 0);
    QCOMPARE(observer.log.front(), std::string("Read Model Name = RT-6100\r\n"));
    QCOMPARE(observer.log.size(), std::size_t(18));
    QCOMPARE(observer.progress, 15);
  }

  void serialEmptySw1ReplyAbortsButLaterEmptySwitchesDoNot() {
    {
      FakeClock clock;
      FakeLink link(LinkShape::SerialComponent, clock);
      link.answer(QueryBytes(1), Reply("RT-5600"));
      RecordingObserver observer;
      const ReadResult result = ReadData(link, clock, observer);
      QCOMPARE(result.outcome, ReadOutcome::Aborted);
      QCOMPARE(link.sent.size(), std::size_t(2));
      QCOMPARE(observer.log, std::vector<std::string>{"Read Model Name = RT-5600\r\n"});
      QCOMPARE(observer.record.text(RecordField::ModelName), std::string("RT-5600"));
      QCOMPARE(observer.calls.back(), std::string("restartWatchdog"));
      QCOMPARE(observer.applied, 0);
    }
    {
      FakeClock clock;
      FakeLink link(LinkShape::SerialComponent, clock);
      for (int step : {1, 2, 4, 5, 6}) link.answer(QueryBytes(step), Reply(step == 1 ? "RT-5600" : "7"));
      RecordingObserver observer;
      const ReadResult result = ReadData(link, clock, observer);
      QVERIFY(result.ok());
      QCOMPARE(link.sent.size(), std::size_t(18));
      QCOMPARE(observer.log[2], std::string("Read Software Switch 2 = \r\n"));
      QCOMPARE(observer.switchSlots[1][0], '\0');
    }
  }

  void tcpSwitchAnsweredOnTheThirdAttemptIsSentThreeTimesAndLoggedOnce() {
    FakeClock clock;
    FakeLink link(LinkShape::Tcp, clock);
    link.answer(QueryBytes(3), "x5");          // no header
    link.silence(QueryBytes(3));               // nothing at all
    link.answer(QueryBytes(3), Reply("5"));
    ScriptPrinter(link, {}, false, 0, {3});
    RecordingObserver observer;
    const ReadResult result = ReadData(link, clock, observer);
    QVERIFY(result.ok());
    const auto sent = link.sentBytes();
    QCOMPARE(std::count(sent.begin(), sent.end(), QueryBytes(3)), std::ptrdiff_t(3));
    QCOMPARE(link.sent.size(), std::size_t(20));
    QCOMPARE(std::count(observer.log.begin(), observer.log.end(), "Read Software Switch 2 = 5\r\n"), std::ptrdiff_t(1));
    QCOMPARE(observer.log.size(), std::size_t(18));
    QCOMPARE(observer.progress, 15);
    QCOMPARE(SlotText(observer.switchSlots[1]), std::string("_5\0\0\0\0\0\0", 8));
    // one empty receive waits its bound; then the read watches for that reply coming late
    QCOMPARE(clock.nowMs(), std::int64_t(20 * 200 + kReceiveTimeoutMs + kStrayReplyWaitMs));
  }

  void tcpSwitchNeverValidIsTriedFourTimesThenKept() {
    FakeClock clock;
    FakeLink link(LinkShape::Tcp, clock);
    link.answer(QueryBytes(4), Bytes("?12") + Bytes(1, '\0'));
    ScriptPrinter(link, {}, false, 0, {4});
    RecordingObserver observer;
    QVERIFY(ReadData(link, clock, observer).ok());
    const auto sent = link.sentBytes();
    QCOMPARE(std::count(sent.begin(), sent.end(), QueryBytes(4)), std::ptrdiff_t(4));
    QCOMPARE(observer.log[3], std::string("Read Software Switch 3 = 12\r\n"));
    QCOMPARE(SlotText(observer.switchSlots[2]), std::string("?12\0\0\0\0\0", 8));
  }

  void lateSerialReplyIsTakenByTheNextQuery() {
    FakeClock clock;
    FakeLink link(LinkShape::SerialComponent, clock);
    link.answer(QueryBytes(7), Reply("V1.02"), 210);
    ScriptPrinter(link, {}, false, 20, {7});
    RecordingObserver observer;
    QVERIFY(ReadData(link, clock, observer).ok());
    QCOMPARE(observer.record.text(RecordField::Frwv), std::string());
    QCOMPARE(observer.log[6], std::string("Read Firmware Revision = \r\n"));
    // the firmware reply comes first in the next take; its 0x00 ends the value text
    QCOMPARE(observer.record.text(RecordField::HoursPowered), std::string("V1.02"));
    QCOMPARE(observer.record.text(RecordField::CutPaperCount), std::string("567"));
  }

  void tcpPartialReplyLeavesTheRestForTheNextReceive() {
    FakeClock clock;
    FakeLink link(LinkShape::Tcp, clock);
    link.answerParts(QueryBytes(13), {{0, "_SN"}, {210, "0001" + Bytes(1, '\0')}});
    ScriptPrinter(link, {}, false, 20, {13});
    RecordingObserver observer;
    QVERIFY(ReadData(link, clock, observer).ok());
    QCOMPARE(observer.record.text(RecordField::SerialNumber), std::string("SN"));
    // the rest lost its header byte to the next query's value text
    QCOMPARE(observer.record.text(RecordField::LanModel), std::string("001"));
  }

  // A reply is cut to 127 bytes (126 of value), a switch reply to 7 in its 8-byte slot.
  void longRepliesAreCut() {
    FakeClock clock;
    FakeLink link(LinkShape::SerialComponent, clock);
    PrinterAnswers answers;
    answers.values[1] = "123456789";
    answers.values[6] = std::string(200, 'F');
    ScriptPrinter(link, answers);
    RecordingObserver observer;
    QVERIFY(ReadData(link, clock, observer).ok());
    QCOMPARE(observer.record.text(RecordField::Frwv), std::string(126, 'F'));
    QCOMPARE(SlotText(observer.switchSlots[0]), std::string("_123456\0", 8));
    QCOMPARE(observer.log[1], std::string("Read Software Switch 1 = 123456\r\n"));
  }

  // Language replies as the read hands them on: the numbers as C decimals (0 without one), the
  // font as on, off or unchanged; the steps log, step the progress, then apply and show.
  void languageReplies() {
    const std::string z(1, '\0');
    const struct {
      std::string codePage;
      int codePageNumber;
      std::string charSet;
      int charSetNumber;
      std::string font;
      FontReply fontReply;
    } rows[] = {{"_17" + z, 17, "_15" + z, 15, "_ON" + z, FontReply::On},
                {"_23" + z, 23, "_14" + z, 14, "_" + z, FontReply::Off},
                {"_x" + z, 0, "_ 3a" + z, 3, "_OFF" + z, FontReply::Unchanged},
                {"", 0, "", 0, "", FontReply::Off},
                {"_1" + z, 1, "_19" + z, 19, "_O" + z, FontReply::Unchanged}};
    for (const auto& row : rows) {
      FakeClock clock;
      FakeLink link(LinkShape::SerialComponent, clock);
      ScriptPrinter(link, {}, false, 0, {16, 17, 18});
      if (!row.codePage.empty()) link.answer(QueryBytes(16), row.codePage);
      if (!row.charSet.empty()) link.answer(QueryBytes(17), row.charSet);
      if (!row.font.empty()) link.answer(QueryBytes(18), row.font);
      RecordingObserver observer;
      observer.codePageText = "shown code page";
      QVERIFY(ReadData(link, clock, observer).ok());
      QCOMPARE(observer.codePages, std::vector<int>{row.codePageNumber});
      QCOMPARE(observer.charSets, std::vector<int>{row.charSetNumber});
      QCOMPARE(observer.fonts, std::vector<FontReply>{row.fontReply});
      QCOMPARE(observer.record.text(RecordField::CodePage), std::string("shown code page"));
      const auto it = std::find(observer.calls.begin(), observer.calls.end(), "codePage");
      QCOMPARE(std::vector<std::string>(it - 2, it + 2), (std::vector<std::string>{"log", "progress", "codePage", "field"}));
    }
  }

  void fontReplyOf() {
    const std::string z(1, '\0');
    const std::pair<std::string, FontReply> rows[] = {
        {"_ON" + z, FontReply::On},        {"_ONX" + z, FontReply::On},  {"_" + z, FontReply::Off},
        {"", FontReply::Off},              {"_OFF" + z, FontReply::Unchanged}, {"_" + z + "N", FontReply::Unchanged},
        {"xON", FontReply::On}};
    for (const auto& [reply, expected] : rows)
      QCOMPARE(QString("%1: %2").arg(QString::fromStdString(reply)).arg(int(FontReplyOf(reply))),
               QString("%1: %2").arg(QString::fromStdString(reply)).arg(int(expected)));
  }

  void tcpNotConnectedSendsNothing() {
    FakeClock clock;
    FakeLink link(LinkShape::Tcp, clock, false);
    RecordingObserver observer;
    const ReadResult result = ReadData(link, clock, observer);
    QCOMPARE(result.outcome, ReadOutcome::Aborted);
    QVERIFY(link.sent.empty());
    QCOMPARE(observer.calls, (std::vector<std::string>{"stopWatchdog", "clearRecord", "restartWatchdog"}));
  }

  void failedSendAbortsTheRead() {
    FakeClock clock;
    FakeLink link(LinkShape::Tcp, clock);
    ScriptPrinter(link);
    link.failSendsFrom(4);
    RecordingObserver observer;
    const ReadResult result = ReadData(link, clock, observer);
    QCOMPARE(result.outcome, ReadOutcome::Aborted);
    QVERIFY(result.reason.find("not sent") != std::string::npos);
    QCOMPARE(link.sent.size(), std::size_t(4));
    QCOMPARE(observer.calls.back(), std::string("restartWatchdog"));
    QCOMPARE(observer.applied, 0);
  }

  void cancelledReadTouchesNothingMore() {
    FakeClock clock;
    FakeLink link(LinkShape::SerialComponent, clock);
    link.answer(QueryBytes(1), Reply("nobody"));
    RecordingObserver observer;
    observer.cancelWhen = [&] { return link.sent.size() >= 2; };
    const ReadResult result = ReadData(link, clock, observer);
    QCOMPARE(result.outcome, ReadOutcome::Cancelled);
    QCOMPARE(link.sent.size(), std::size_t(2));
    QCOMPARE(observer.count("restartWatchdog"), 0);
    QCOMPARE(observer.applied, 0);
    QCOMPARE(link.closes, 0);
  }

  void cancelledBeforeTheStartDoesNothing() {
    FakeClock clock;
    FakeLink link(LinkShape::Tcp, clock);
    RecordingObserver observer;
    observer.cancelWhen = [] { return true; };
    QCOMPARE(ReadData(link, clock, observer).outcome, ReadOutcome::Cancelled);
    QVERIFY(observer.calls.empty());
    QVERIFY(link.events.empty());
  }

  void readPrinterChoosesTheSeriesByShape() {
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock);
    ScriptPrinter(link, {}, true);
    RecordingObserver observer;
    QVERIFY(ReadPrinter(link, clock, observer).ok());
    QCOMPARE(link.sent[0].bytes, B({0x1D, 0x49, 0x43}));
    QCOMPARE(ReadData(link, clock, observer).outcome, ReadOutcome::Aborted);
  }
};

QTEST_APPLESS_MAIN(QuerySeriesTest)
#include "test_query_series.moc"
