// The switch write on each path: exact frames, lengths and pauses; refusal of incomplete values;
// failure instead of "FINISH" when a command did not go out.
#include <QtTest>

#include "fake_link.h"
#include "protocol/write_sequence.h"
#include "recording_observer.h"

using namespace kestrova;

Q_DECLARE_METATYPE(kestrova::LinkShape)
Q_DECLARE_METATYPE(kestrova::Bytes)

namespace {

WriteValues AllOn() {
  WriteValues v;
  for (auto& s : v.switches) s = std::uint8_t(0);
  v.codePageNumber = 0;
  v.codePageName = "Standard";
  v.charSetNumber = 0;
  v.fontOn = false;
  return v;
}

Bytes Z(std::size_t n) { return Bytes(n, '\0'); }

const Bytes kUnlock = B({0x1D, 0x67, 0x75, 0x6E, 0x6C, 0x00});
const Bytes kLock = B({0x1D, 0x67, 0x6C, 0x63, 0x6B, 0x00});

}  // namespace

class WriteSequenceTest : public QObject {
  Q_OBJECT
 private slots:
  void serialSendsElevenCommandsEvery200Ms() {
    FakeClock clock;
    FakeLink link(LinkShape::SerialComponent, clock);
    const WriteResult result = WriteSwitchSettings(link, clock, AllOn());
    QVERIFY(result.ok());
    const std::vector<Bytes> expected = {
        kUnlock,
        B({0x1D, 0x67, 0x38, 0x27, 0x30, 0, 0, 0, 0}),
        B({0x1D, 0x67, 0x38, 0x28, 0x30, 0, 0, 0, 0}),
        B({0x1D, 0x67, 0x38, 0x29, 0x30, 0, 0, 0}),
        B({0x1D, 0x67, 0x38, 0x2A, 0x30, 0, 0, 0, 0}),
        B({0x1D, 0x67, 0x38, 0x2B, 0x30, 0, 0, 0, 0}),
        B({0x1D, 0x67, 0x38, 0x21, 0x30, 0, 0, 0}),
        B({0x1D, 0x67, 0x38, 0x24}) + "Standard" + Z(13),
        B({0x1D, 0x67, 0x38, 0x22, 0x30, 0, 0}),
        B({0x1D, 0x67, 0x38, 0x25, 0, 0, 0, 0}),
        kLock,
    };
    QCOMPARE(link.sentBytes(), expected);
    std::vector<std::int64_t> times;
    for (int i = 0; i < 11; ++i) times.push_back(200 * i);
    QCOMPARE(link.sentTimes(), times);
    QCOMPARE(clock.nowMs(), std::int64_t(11 * 200));
    QCOMPARE(link.closes, 1);
    QCOMPARE(link.discards, 0);
    const UserMessage m = WriteOutcomeMessage(result);
    QCOMPARE(m.text, std::string("Write software switch settings OK, please reboot your printer"));
    QCOMPARE(m.caption, std::string("FINISH"));
    QCOMPARE(m.icon, MessageIcon::Information);
  }

  // Value texts of SW1 on the serial path (9 bytes) and as the device handle's header and block.
  void switchValueTexts() {
    const struct {
      int value;
      Bytes serial, block;
    } rows[] = {{5, B({0x1D, 0x67, 0x38, 0x27, 0x35, 0, 0, 0, 0}), B({0x35, 0, 0, 0})},
                {255, B({0x1D, 0x67, 0x38, 0x27, 0x32, 0x35, 0x35, 0, 0}), B({0x32, 0x35, 0x35, 0})},
                {30, B({0x1D, 0x67, 0x38, 0x27, 0x33, 0x30, 0, 0, 0}), B({0x33, 0x30, 0, 0})}};
    for (const auto& row : rows) {
      WriteValues v = AllOn();
      v.switches[0] = static_cast<std::uint8_t>(row.value);
      QCOMPARE(BuildWritePlan(WritePath::Serial, v)[0].commands[1].bytes, row.serial);
      const auto device = BuildWritePlan(WritePath::DeviceHandle, v)[0].commands;
      QCOMPARE(device[1].bytes, B({0x1D, 0x67, 0x38, 0x27}));
      QCOMPARE(device[2].bytes, row.block);
    }
  }

  // The four language commands on every path: numbers as text, the name cut or padded to 21
  // bytes, the font "ON" or nothing.
  void languageCommands() {
    const Bytes cp = B({0x1D, 0x67, 0x38, 0x21});
    const Bytes nm = B({0x1D, 0x67, 0x38, 0x24});
    const Bytes cs = B({0x1D, 0x67, 0x38, 0x22});
    const Bytes ft = B({0x1D, 0x67, 0x38, 0x25});
    const struct {
      int codePage;
      const char* name;
      int charSet;
      bool fontOn;
      std::vector<Bytes> commands;
    } rows[] = {
        {31, "Thai character code page 14", 15, true,
         {cp + "31" + Z(2), nm + "Thai character code p", cs + "15" + Z(1), ft + "ON" + Z(2)}},
        {27, "Windows Arabic(Farsi)", 13, false, {cp + "27" + Z(2), nm + "Windows Arabic(Farsi)", cs + "13" + Z(1), ft + Z(4)}},
        {1, "Katakana Japanese", 8, false, {cp + "1" + Z(3), nm + "Katakana Japanese" + Z(4), cs + "8" + Z(2), ft + Z(4)}},
        {0, "", 18, false, {cp + "0" + Z(3), nm + Z(21), cs + "18" + Z(1), ft + Z(4)}},
    };
    for (const auto& row : rows) {
      WriteValues v = AllOn();
      v.codePageNumber = row.codePage;
      v.codePageName = row.name;
      v.charSetNumber = row.charSet;
      v.fontOn = row.fontOn;
      for (WritePath path : {WritePath::Serial, WritePath::Tcp, WritePath::DeviceHandle}) {
        std::vector<Bytes> sent;
        for (const auto& f : BuildWritePlan(path, v))
          for (const auto& c : f.commands) sent.push_back(c.bytes);
        for (const Bytes& expected : row.commands)
          QVERIFY2(std::find(sent.begin(), sent.end(), expected) != sent.end(), row.name);
      }
    }
  }

  void tcpSendsSw2Sw3Sw5FirstThenSw4ThenSw1EachInItsOwnPair() {
    WriteValues v = AllOn();
    for (int n = 0; n < 5; ++n) v.switches[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(n + 1);
    FakeClock clock;
    FakeLink link(LinkShape::Tcp, clock);
    QVERIFY(WriteSwitchSettings(link, clock, v).ok());
    auto sw = [](int n) { return B({0x1D, 0x67, 0x38, 0x26 + n, 0x30 + n, 0, 0, 0, 0}); };
    const std::vector<Bytes> expected = {
        kUnlock, sw(2), sw(3), sw(5),
        B({0x1D, 0x67, 0x38, 0x21, 0x30, 0, 0, 0}),
        B({0x1D, 0x67, 0x38, 0x24}) + "Standard" + Z(13),
        B({0x1D, 0x67, 0x38, 0x22, 0x30, 0, 0}),
        B({0x1D, 0x67, 0x38, 0x25, 0, 0, 0, 0}),
        kLock,
        kUnlock, sw(4), kLock,
        kUnlock, sw(1), kLock,
    };
    QCOMPARE(link.sentBytes(), expected);
    const std::vector<std::int64_t> times = {0,    200,  400,  600,  800,  1000, 1200, 1400,
                                             1600, 1800, 2000, 2200, 2600, 2800, 3000};
    QCOMPARE(link.sentTimes(), times);
    QCOMPARE(clock.nowMs(), std::int64_t(9 * 200 + 2 * 4 * 200));
    QCOMPARE(link.closes, 0);  // the connection stays
  }

  void tcpReconnectsBeforeASeparateFrame() {
    FakeClock clock;
    FakeLink link(LinkShape::Tcp, clock);
    link.afterSend = [&](int index) {
      if (index == 8) link.setOpen(false);  // dropped after the main frame's Lock
    };
    int reconnects = 0;
    const WriteResult result = WriteSwitchSettings(link, clock, AllOn(), [&] {
      ++reconnects;
      link.setOpen(true);
      return true;
    });
    QVERIFY(result.ok());
    QCOMPARE(reconnects, 1);
    QCOMPARE(link.sent.size(), std::size_t(15));
  }

  // A closed port or device, or a TCP/IP connection that cannot be made again: nothing is sent
  // and the outcome is a warning.
  void notConnectedSendsNothing_data() {
    QTest::addColumn<LinkShape>("shape");
    QTest::addColumn<int>("reconnects");
    QTest::newRow("serial") << LinkShape::SerialComponent << 0;
    QTest::newRow("tcp") << LinkShape::Tcp << 1;
    QTest::newRow("device handle") << LinkShape::DeviceHandle << 0;
  }
  void notConnectedSendsNothing() {
    QFETCH(LinkShape, shape);
    QFETCH(int, reconnects);
    FakeClock clock;
    FakeLink link(shape, clock, false);
    int tries = 0;
    const WriteResult result = WriteSwitchSettings(link, clock, AllOn(), [&] {
      ++tries;
      return false;
    });
    QCOMPARE(result.outcome, WriteOutcome::NotConnected);
    QCOMPARE(tries, reconnects);
    QVERIFY(link.events.empty());
    const UserMessage m = WriteOutcomeMessage(result);
    QCOMPARE(m.text, std::string("Write software switch FAILED"));
    QCOMPARE(m.caption, std::string("WARNING"));
    QCOMPARE(m.icon, MessageIcon::Warning);
  }

  void tcpFailedSw4FrameIsTracedAndSw1FrameStillGoes() {
    FakeClock clock;
    FakeLink link(LinkShape::Tcp, clock);
    link.failSendAt(10);  // the SW4 command
    TraceCapture traces;
    const WriteResult result = WriteSwitchSettings(link, clock, AllOn());
    QCOMPARE(result.outcome, WriteOutcome::SendFailed);
    QCOMPARE(traces.countStartingWith("(WriteSW4)"), 1);
    // the SW4 frame still locks, and the SW1 frame follows in full
    QCOMPARE(link.sent.size(), std::size_t(10 + 1 + 3));
    QCOMPARE(link.sent[10].bytes, kLock);
    QCOMPARE(link.sent.back().bytes, kLock);
    QCOMPARE(WriteOutcomeMessage(result).caption, std::string("WARNING"));
  }

  void deviceHandleWritesEachSwitchAsTwoBlocksWith500MsAfter() {
    WriteValues v = AllOn();
    v.switches[4] = std::uint8_t(255);
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock);
    QVERIFY(WriteSwitchSettings(link, clock, v).ok());
    std::vector<Bytes> expected = {kUnlock};
    for (int n = 1; n <= 5; ++n) {
      expected.push_back(B({0x1D, 0x67, 0x38, 0x26 + n}));
      expected.push_back(n == 5 ? B({0x32, 0x35, 0x35, 0}) : B({0x30, 0, 0, 0}));
    }
    expected.push_back(B({0x1D, 0x67, 0x38, 0x21, 0x30, 0, 0, 0}));
    expected.push_back(B({0x1D, 0x67, 0x38, 0x24}) + "Standard" + Z(13));
    expected.push_back(B({0x1D, 0x67, 0x38, 0x22, 0x30, 0, 0}));
    expected.push_back(B({0x1D, 0x67, 0x38, 0x25, 0, 0, 0, 0}));
    expected.push_back(kLock);
    QCOMPARE(link.sentBytes(), expected);
    const std::vector<std::int64_t> times = {0,    0,    0,    500,  500,  1000, 1000, 1500,
                                             1500, 2000, 2000, 2500, 2500, 2500, 2500, 2500};
    QCOMPARE(link.sentTimes(), times);
    QCOMPARE(clock.nowMs(), std::int64_t(2500));
    QCOMPARE(link.closes, 1);
    QCOMPARE(link.discards, 0);
  }

  void writeIsRefusedWithNothingSent_data() {
    QTest::addColumn<int>("unselected");  // switch 1..5, or 0 for the character set
    QTest::addColumn<QString>("named");
    QTest::newRow("SW1") << 1 << "SW1";
    QTest::newRow("SW3") << 3 << "SW3";
    QTest::newRow("SW5") << 5 << "SW5";
    QTest::newRow("typed character set") << 0 << "International Character Set";
  }
  void writeIsRefusedWithNothingSent() {
    QFETCH(int, unselected);
    QFETCH(QString, named);
    WriteValues v = AllOn();
    if (unselected > 0)
      v.switches[static_cast<std::size_t>(unselected - 1)].reset();
    else
      v.charSetNumber.reset();
    for (LinkShape shape : {LinkShape::SerialComponent, LinkShape::Tcp, LinkShape::DeviceHandle}) {
     for (bool debugMode : {false, true}) {
      FakeClock clock;
      FakeLink link(shape, clock);
      TraceCapture traces;
      SetDebugMode(debugMode);  // the refusal is traced in debug mode only
      const WriteResult result = WriteSwitchSettings(link, clock, v, [] { return true; });
      QCOMPARE(result.outcome, WriteOutcome::Refused);
      QVERIFY(link.events.empty());
      QCOMPARE(traces.lines.size(), std::size_t(debugMode ? 1 : 0));
      if (debugMode) QVERIFY(traces.lines[0].rfind("(WriteSW)" + named.toStdString(), 0) == 0);
      const UserMessage m = WriteOutcomeMessage(result);
      QCOMPARE(m.text, std::string("Write software switch FAILED"));
      QCOMPARE(m.caption, std::string("WARNING"));
      QVERIFY(m.detail.find(named.toStdString()) != std::string::npos);
     }
    }
  }

  // A failed command ends its frame, but the printer is never left unlocked or holding a switch
  // header: the value block goes once more, then Lock; the outcome is never "FINISH".
  void failedSendStillLocksAndIsNeverFinish() {
    // failAt: the 0-based send that fails (short by shortBy, or empty); sends up to failUntil fail
    // too (a link that stays down); after: what goes out in full after it; sends: send calls in all.
    const struct {
      const char* name;
      LinkShape shape;
      int failAt, failUntil, shortBy;
      QStringList after;
      const char* ending;
      int sends;
    } rows[] = {
        {"serial unlock fails", LinkShape::SerialComponent, 0, 0, 0, {"lock"}, "; Lock sent", 2},
        {"serial SW3 short", LinkShape::SerialComponent, 3, 3, 2, {"lock"}, "; Lock sent", 5},
        {"serial link stays down", LinkShape::SerialComponent, 3, 99, 0, {}, "; Lock not sent: fake: write failed", 5},
        {"serial lock short", LinkShape::SerialComponent, 10, 10, 1, {}, "", 11},
        {"tcp main frame, no separate frames", LinkShape::Tcp, 4, 4, 0, {"lock"}, "; Lock sent", 6},
        {"device SW2 value block", LinkShape::DeviceHandle, 4, 4, 1, {"again", "lock"}, "; Lock sent", 7},
        {"device SW2 header", LinkShape::DeviceHandle, 3, 3, 0, {"lock"}, "; Lock sent", 5},
        {"device value block twice", LinkShape::DeviceHandle, 4, 5, 0, {}, "; Lock not sent: SW2 value failed again", 6},
    };
    for (const auto& row : rows) {
      FakeClock clock;
      FakeLink link(row.shape, clock);
      link.failSends(row.failAt, row.failUntil, row.shortBy);
      const Bytes failed = BuildWritePlan(WritePathOf(row.shape), AllOn())[0].commands[std::size_t(row.failAt)].bytes;
      const WriteResult result = WriteSwitchSettings(link, clock, AllOn());
      QCOMPARE(result.outcome, WriteOutcome::SendFailed);
      const std::string ending = row.ending;
      QVERIFY2(result.detail.find("not sent in full") != std::string::npos && result.detail.size() >= ending.size() &&
                   result.detail.compare(result.detail.size() - ending.size(), std::string::npos, ending) == 0,
               (std::string(row.name) + ": " + result.detail).c_str());
      QCOMPARE(WriteOutcomeMessage(result).text, std::string("Write software switch FAILED"));
      std::vector<Bytes> tail;
      for (const QString& what : row.after) tail.push_back(what == "lock" ? kLock : failed);
      const std::vector<Bytes> sent = link.sentBytes();
      QVERIFY2(sent.size() >= tail.size(), row.name);
      QVERIFY2(std::vector<Bytes>(sent.end() - static_cast<std::ptrdiff_t>(tail.size()), sent.end()) == tail, row.name);
      QCOMPARE(QString("%1: %2 sends, %3 closes").arg(row.name).arg(std::count(link.events.begin(), link.events.end(), "send")).arg(link.closes),
               QString("%1: %2 sends, %3 closes").arg(row.name).arg(row.sends).arg(row.shape == LinkShape::Tcp ? 0 : 1));
    }
  }

  void warningBeforeTheWrite() {
    const UserMessage m = WriteWarningMessage();
    QCOMPARE(m.text, std::string("Don't let printer shut down when writing settings"));
    QCOMPARE(m.caption, std::string("WARNNING"));
    QCOMPARE(m.icon, MessageIcon::Information);
  }

  void valueCommandPadsAndCuts() {
    QCOMPARE(ValueCommand(0x27, "5", 9), B({0x1D, 0x67, 0x38, 0x27, 0x35, 0, 0, 0, 0}));
    QCOMPARE(ValueCommand(0x22, "12345", 7), B({0x1D, 0x67, 0x38, 0x22, 0x31, 0x32, 0x33}));
    QCOMPARE(ValueCommand(0x24, std::string(40, 'x'), 25), B({0x1D, 0x67, 0x38, 0x24}) + std::string(21, 'x'));
    QCOMPARE(UnlockCommand(), kUnlock);
    QCOMPARE(LockCommand(), kLock);
  }
};

QTEST_APPLESS_MAIN(WriteSequenceTest)
#include "test_write_sequence.moc"
