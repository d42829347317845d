// Pacing of the replies: the fixed 200 ms pause, and the reply-terminated pacing of --fast that
// takes a reply as soon as its 0x00 is in, never later than the fixed pause.
#include <QtTest>

#include "fake_link.h"
#include "printer_script.h"
#include "protocol/pacing.h"
#include "protocol/read_sequence.h"
#include "recording_observer.h"

using namespace kestrova;

Q_DECLARE_METATYPE(kestrova::LinkShape)

class PacingTest : public QObject {
  Q_OBJECT
 private slots:
  // How long the reply-terminated pacing waits for a reply in one or two parts (-1: none).
  void replyTerminatedPacingWaits() {
    const std::string z(1, '\0');
    const struct {
      const char* name;
      int firstPartMs;
      std::string firstPart;
      int restMs, waited;
    } rows[] = {{"reply at 30 ms", 30, "_RT" + z, -1, 30},
                {"reply at once", 0, "_RT" + z, -1, 0},
                {"terminator arrives later", 50, "_RT", 120, 120},
                {"no terminator within the pause", 50, "_RT", 260, 200},
                {"late reply", 250, "_RT" + z, -1, 200},
                {"no reply", -1, "", -1, 200}};
    for (const auto& row : rows) {
      FakeClock clock;
      FakeLink link(LinkShape::SerialComponent, clock);
      ScriptedReply reply;
      if (row.firstPartMs >= 0) reply.push_back({row.firstPartMs, row.firstPart});
      if (row.restMs >= 0) reply.push_back({row.restMs, Bytes("X\0", 2)});
      link.answerParts("Q", reply);
      QVERIFY(link.send("Q"));
      ReplyTerminatedPacing().awaitReply(link, clock, 200);
      QCOMPARE(QString("%1: %2").arg(row.name).arg(clock.nowMs()), QString("%1: %2").arg(row.name).arg(row.waited));
    }
  }

  void fixedPacingAlwaysWaitsThePause() {
    FakeClock clock;
    FakeLink link(LinkShape::SerialComponent, clock);
    link.answer("Q", Reply("x"));
    QVERIFY(link.send("Q"));
    FixedPacing::instance().awaitReply(link, clock, 200);
    QCOMPARE(clock.nowMs(), std::int64_t(200));
    QCOMPARE(clock.sleeps, std::vector<int>{200});
    QVERIFY(std::find(link.events.begin(), link.events.end(), "peek") == link.events.end());
  }

  void fastReadTakesEachReplyAsItEnds_data() {
    QTest::addColumn<LinkShape>("shape");
    QTest::newRow("serial") << LinkShape::SerialComponent;
    QTest::newRow("tcp") << LinkShape::Tcp;
  }
  void fastReadTakesEachReplyAsItEnds() {
    QFETCH(LinkShape, shape);
    FakeClock clock;
    FakeLink link(shape, clock);
    ScriptPrinter(link, {}, false, 15);
    RecordingObserver observer;
    const ReplyTerminatedPacing fast;
    const ReadResult result = ReadData(link, clock, observer, fast);
    QVERIFY(result.ok());
    QCOMPARE(clock.nowMs(), std::int64_t(18 * 15));
    QCOMPARE(observer.log.size(), std::size_t(18));
    QCOMPARE(observer.log[3], std::string("Read Software Switch 3 = 128\r\n"));
    QCOMPARE(result.activeModelNo, ModelNo(4));
  }

  void fastReadNeverWaitsPastThePause() {
    FakeClock clock;
    FakeLink link(LinkShape::SerialComponent, clock);
    RecordingObserver observer;
    const ReplyTerminatedPacing fast;
    link.answer(QueryBytes(1), Reply("XP"), 500);
    QCOMPARE(ReadData(link, clock, observer, fast).outcome, ReadOutcome::Aborted);
    QCOMPARE(link.sentTimes(), (std::vector<std::int64_t>{0, 200, 400}));
  }

  void fastDeviceReadWaitsAtMost250PerAttempt() {
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock);
    ScriptPrinter(link, {}, true, 10);
    RecordingObserver observer;
    const ReplyTerminatedPacing fast;
    QVERIFY(ReadDeviceData(link, clock, observer, 0, fast).ok());
    QCOMPARE(clock.nowMs(), std::int64_t(18 * 10));
  }
};

QTEST_APPLESS_MAIN(PacingTest)
#include "test_pacing.moc"
