// The switch write and the test prints on each path, on the fake clock: the exact bytes and their
// times, what is closed afterwards, every failure with its detail, and refused values with nothing sent.
#include <QtTest>

#include "fake_link.h"
#include "model/debug_trace.h"
#include "protocol/read_integrity.h"
#include "protocol/test_print.h"
#include "protocol/write_sequence.h"
#include "session/printer_session.h"

using namespace kestrova;

namespace {

// Bytes as text: 0x00 as '.', 0x1D as '^', other printable ASCII as is, every other byte as <NN>.
QString Show(const Bytes& bytes) {
  QString out;
  for (unsigned char c : bytes)
    out += c == 0 ? QString(".") : c == 0x1D ? QString("^") : c >= 0x20 && c < 0x7F ? QString(QChar(c))
                                                                                     : QString("<%1>").arg(c, 2, 16, QChar('0')).toUpper();
  return out;
}

WriteValues Values() {
  WriteValues v;
  v.switches = {5, 255, 128, 30, 0};
  v.codePageName = "Std";
  v.charSetNumber = 0;
  return v;
}

// Changes the values or the link before the write; reconnect: whether reconnecting succeeds.
using Setup = std::function<void(FakeLink&, WriteValues&, bool& reconnect)>;
Setup Fail(int first, int last, int shortBy = 0) {
  return [=](FakeLink& l, WriteValues&, bool&) { l.failSends(first, last, shortBy); };
}

const QString U = "^gunl.", K = "^glck.";
const QString L = "^g8!0...|^g8$Std" + QString(18, '.') + "|^g8\"0..|^g8%....";
const QString kFailed = "msg=Write software switch FAILED/WARNING/1";

}  // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(kestrova::ReplyStyle)

class WriteTest : public QObject {
  Q_OBJECT
  std::vector<std::string> traces_;

 private slots:
  void initTestCase() {
    SetDebugMode(true);
    SetTraceSink([this](const std::string& line) { traces_.push_back(line); });
  }

  // A row: the link, the operation ("write", or a test print and its path), a change to the values
  // or the link, and the facts that must hold ("key=value;...", see run(); a ';' before a key separates).
  void run_data() {
    QTest::addColumn<ReplyStyle>("shape");
    QTest::addColumn<QString>("op");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("expect");
    const auto serial = ReplyStyle::Stream, tcp = ReplyStyle::Bounded, dev = ReplyStyle::Block;
    auto row = [](const char* name, ReplyStyle shape, const QString& op, Setup s, const QString& expect) {
      QTest::newRow(name) << shape << op << s << expect;
    };
    const Setup none = [](FakeLink&, WriteValues&, bool&) {};
    const Setup closed = [](FakeLink& l, WriteValues&, bool& r) { l.open = r = false; };
    const QString ok = "out=Written;detail=;msg=Write software switch settings OK, please reboot your printer/FINISH/0;";
    row("serial", serial, "write", none,
        ok + "sent=" + U + "|^g8'5....|^g8(255..|^g8)128.|^g8*30...|^g8+0....|" + L + "|" + K +
            ";at=0,200,400,600,800,1000,1200,1400,1600,1800,2000;t=2200;ev=SSSSSSSSSSSC;"
            "warning=Don't let printer shut down when writing settings/WARNNING0");
    row("tcp: SW2, SW3, SW5 first, then SW4 and SW1 each locked alone", tcp, "write", none,
        ok + "sent=" + U + "|^g8(255..|^g8)128..|^g8+0....|" + L + "|" + K + "|" + U + "|^g8*30...|" + K + "|" + U +
            "|^g8'5....|" + K + ";at=0,200,400,600,800,1000,1200,1400,1600,1800,2000,2200,2600,2800,3000;t=3400;reconnects=0");
    row("device: header and value block per switch", dev, "write", none,
        ok + "sent=" + U + "|^g8'|5...|^g8(|255.|^g8)|128.|^g8*|30..|^g8+|0...|" + L + "|" + K +
            ";at=0,0,0,500,500,1000,1000,1500,1500,2000,2000,2500,2500,2500,2500,2500;t=2500;ev=SSSSSSSSSSSSSSSSC");
    row("tcp reconnects before a separate frame", tcp, "write",
        [](FakeLink& l, WriteValues&, bool&) { l.afterSend = [&l](int i) { l.open = i != 8; }; },
        ok + "reconnects=1;t=3400;ev=" + QString(15, 'S'));
    row("tcp separate frames not connected", tcp, "write",
        [](FakeLink& l, WriteValues&, bool& r) { r = false, l.afterSend = [&l](int i) { l.open = i != 8; }; },
        "out=SendFailed;reconnects=2;t=2200;detail=SW4 frame: not connected: no error; SW1 frame: not connected: no error;"
        "trace=(WriteSW4)not connected: no error|(WriteSW1)not connected: no error;" + kFailed);
    row("serial not open", serial, "write", closed, "out=NotConnected;detail=not open: no error;ev=;" + kFailed);
    row("device not open", dev, "write", closed, "out=NotConnected;detail=not open: no error;ev=");
    row("tcp not connected", tcp, "write", closed, "out=NotConnected;detail=not connected: no error;ev=;reconnects=1");
    // The four language commands: numbers as text, the name cut or padded to 21 bytes, the font.
    const auto language = [](int codePage, const char* name, int charSet, bool fontOn) -> Setup {
      return [=](FakeLink&, WriteValues& v, bool&) { v.codePageNumber = codePage, v.codePageName = name, v.charSetNumber = charSet, v.fontOn = fontOn; };
    };
    row("serial name cut", serial, "write", language(31, "Thai character code page 14", 15, true), "lang=^g8!31..|^g8$Thai character code p|^g8\"15.|^g8%ON..");
    row("tcp name full", tcp, "write", language(27, "Windows Arabic(Farsi)", 13, false), "lang=^g8!27..|^g8$Windows Arabic(Farsi)|^g8\"13.|^g8%....");
    row("device name padded", dev, "write", language(1, "Katakana Japanese", 8, false), "lang=^g8!1...|^g8$Katakana Japanese....|^g8\"8..|^g8%....");
    row("serial no name", serial, "write", language(0, "", 18, false), "lang=^g8!0...|^g8$" + QString(21, '.') + "|^g8\"18.|^g8%....");
    // A failed command ends its frame; a half-sent switch gets its value block again, then Lock.
    row("serial unlock fails", serial, "write", Fail(0, 0),
        "out=SendFailed;detail=Unlock not sent in full: fake: write failed; Lock sent;sent=" + K + ";ev=SSC;t=200;" + kFailed);
    row("serial SW3 short", serial, "write", Fail(3, 3, 2),
        "detail=SW3 not sent in full: fake: write failed; Lock sent;sent=" + U + "|^g8'5....|^g8(255..|^g8)12|" + K);
    row("serial link stays down", serial, "write", Fail(3, 99),
        "detail=SW3 not sent in full: fake: write failed; Lock not sent: fake: write failed;ev=SSSSSC");
    row("serial lock short", serial, "write", Fail(10, 10, 1), "out=SendFailed;detail=Lock not sent in full: fake: write failed;ev=SSSSSSSSSSSC");
    row("tcp main frame fails", tcp, "write", Fail(4, 4),
        "detail=Code page not sent in full: fake: write failed; Lock sent;ev=SSSSSS;reconnects=0");
    row("tcp SW4 frame fails, SW1 frame follows", tcp, "write", Fail(10, 10),
        "out=SendFailed;detail=SW4 frame: SW4 not sent in full: fake: write failed; Lock sent;trace=(WriteSW4)SW4 not sent "
        "in full: fake: write failed;ev=" + QString(15, 'S') + ";sent=" + U + "|^g8(255..|^g8)128..|^g8+0....|" + L + "|" +
            K + "|" + U + "|" + K + "|" + U + "|^g8'5....|" + K);
    row("device value block short", dev, "write", Fail(4, 4, 1),
        "detail=SW2 value not sent in full: fake: write failed; Lock sent;sent=" + U + "|^g8'|5...|^g8(|255|255.|" + K + ";t=1000;ev=SSSSSSSC");
    row("device header fails", dev, "write", Fail(3, 3), "detail=SW2 not sent in full: fake: write failed; Lock sent;ev=SSSSSC");
    row("device value block fails twice", dev, "write", Fail(4, 5),
        "detail=SW2 value not sent in full: fake: write failed; Lock not sent: SW2 value failed again;ev=SSSSSSC");
    row("device link throws", dev, "write",
        [](FakeLink& l, WriteValues&, bool&) { l.afterSend = [](int i) { if (i == 2) throw std::runtime_error("boom"); }; },
        "out=SendFailed;detail=SW1 value not sent in full: boom; Lock sent;ev=SSSSSC");
    row("device link closed by a send", dev, "write", [](FakeLink& l, WriteValues&, bool&) { l.afterSend = [&l](int i) { l.open = i != 2; }; },
        "out=SendFailed;detail=SW2 not sent in full: fake: connection closed; Lock not sent: the link is closed;ev=SSSSC");
    // Values that cannot be written: nothing goes out, on any path.
    for (auto shape : {serial, tcp, dev}) {
      const auto refused = [&](const char* name, Setup s, const QString& why) {
        row(name, shape, "write", s, "out=Refused;ev=;sent=;detail=" + why + ";trace=(WriteSW)" + why + "; nothing written;" + kFailed);
      };
      refused("SW1 unselected", [](FakeLink&, WriteValues& v, bool&) { v.switches[0].reset(); }, "SW1 has a switch with no position selected");
      refused("SW5 unselected", [](FakeLink&, WriteValues& v, bool&) { v.switches[4].reset(); }, "SW5 has a switch with no position selected");
      refused("charset typed", [](FakeLink&, WriteValues& v, bool&) { v.charSetNumber.reset(); }, "International Character Set holds no entry of its list");
      refused("unverified", [](FakeLink&, WriteValues& v, bool&) { v.unverified = {"SW3", "Code Page"}; },
              "not read cleanly: SW3, Code Page; read the printer again");
    }
    // Test prints: the serial device handle is discarded and closed; USB and TCP/IP stay open.
    row("self test usb", dev, "self usb", none, "out=1;sent=^(A<02>..<02>;at=0;t=500;ev=S");
    row("self test tcp", tcp, "self tcp", none, "out=1;sent=^(A<02>..<02>;at=0;t=200;ev=S");
    row("self test serial", dev, "self serial", none, "out=1;sent=^(A<02>..<02>.;at=0;t=0;ev=SDC");
    row("font test usb", dev, "font usb", none, "out=1;at=0,50,100,150,200,250,300;t=350;ev=SSSSSSS");
    row("font test tcp", tcp, "font tcp", none, "out=1;at=0,50,100,150,200,250,300;t=350;ev=SSSSSSS");
    row("font test serial", dev, "font serial", none, "out=1;at=0,50,100,150,200,250,300;t=350;ev=SSSSSSSDC");
    row("test print on a closed link", tcp, "self tcp", closed, "out=0;ev=");
    row("font test block fails", dev, "font serial", Fail(2, 99, 10), "out=0;ev=SSSDC;t=100");
    row("self test throws", tcp, "self tcp", [](FakeLink& l, WriteValues&, bool&) { l.afterSend = [](int) { throw std::runtime_error("boom"); }; },
        "out=threw boom;trace=;ev=S");
    row("font test throws", dev, "font serial", [](FakeLink& l, WriteValues&, bool&) { l.afterSend = [](int) { throw std::runtime_error("boom"); }; },
        "out=threw boom;trace=;ev=SDC");
  }

  void run() {
    QFETCH(ReplyStyle, shape);
    QFETCH(QString, op);
    QFETCH(Setup, setup);
    QFETCH(QString, expect);
    FakeClock clock;
    FakeLink link(shape, clock);
    WriteValues values = Values();
    bool reconnectWorks = true;
    setup(link, values, reconnectWorks);
    traces_.clear();
    int reconnects = 0;
    QMap<QString, QString> facts;
    if (op == "write") {
      const WriteResult r = RunToEnd(WriteSwitchSettings(link, clock, values, [&]() -> Task<bool> { co_return ++reconnects, link.open = reconnectWorks; }));
      const UserMessage m = WriteOutcomeMessage(r);
      QCOMPARE(m.detail, r.detail);
      facts = {{"out", QStringList{"Written", "Refused", "NotConnected", "SendFailed"}[int(r.outcome)]},
               {"detail", QString::fromStdString(r.detail)},
               {"msg", QString::fromStdString(m.text + "/" + m.caption + "/") + QString::number(int(m.icon))},
               {"warning", QString::fromStdString(WriteWarningMessage().text + "/" + WriteWarningMessage().caption) + QString::number(int(WriteWarningMessage().icon))}};
    } else {
      const LinkChoice::Kind kind = op.endsWith("usb") ? LinkChoice::Kind::Usb : op.endsWith("tcp") ? LinkChoice::Kind::Tcp : LinkChoice::Kind::SerialDevice;
      // An exception goes on to the caller, the link closed where the print ends the operation.
      try {
        facts["out"] = QString::number(RunToEnd(RunTestPrint(link, clock, op.startsWith("self") ? TestPrint::SelfTest : TestPrint::FontTest, TestPrintFramingFor(kind))));
      } catch (const std::exception& e) {
        facts["out"] = QString("threw ") + e.what();
      }
    }
    QStringList sent, at, traces, lang;
    for (const auto& [time, bytes] : link.sent) sent << Show(bytes), at << QString::number(time);
    for (const QString& c : sent) if (QString("!$\"%").contains(c.mid(3, 1)) && c.startsWith("^g8")) lang << c;
    for (const auto& t : traces_) traces << QString::fromStdString(t);
    facts.insert({{"sent", sent.join('|')}, {"at", at.join(',')}, {"t", QString::number(clock.nowMs())},
                  {"ev", QString::fromStdString(link.events)}, {"lang", lang.join('|')}, {"trace", traces.join('|')}, {"reconnects", QString::number(reconnects)}});
    for (const QString& fact : expect.split(QRegularExpression(";(?=[a-z]+=)"))) {
      QVERIFY2(facts.contains(fact.section('=', 0, 0)), qPrintable(fact));
      QCOMPARE(fact.section('=', 0, 0) + "=" + facts[fact.section('=', 0, 0)], fact);
    }
  }

  // The font test's seven blocks, as every path sends them.
  void fontTestBlocks() {
    Bytes low, high;
    for (int c = 0x21; c <= 0xFF; ++c) (c < 0x80 ? low : high) += static_cast<char>(c);
    const std::vector<Bytes> blocks = {"\x1B!\x01" "FONT:08X16\r\n", low + "\r\n", high + "\r\n", "\x1B!\x02" "FONT:12X24\r\n",
                                       low + "\r\n", high + "\r\n", "\x1B@\r\n\x1Bi"};
    for (LinkChoice::Kind kind : {LinkChoice::Kind::Usb, LinkChoice::Kind::Tcp, LinkChoice::Kind::SerialComponent}) {
      FakeClock clock;
      FakeLink link(ReplyStyle::Block, clock);
      QVERIFY(RunToEnd(RunTestPrint(link, clock, TestPrint::FontTest, TestPrintFramingFor(kind))));
      std::vector<Bytes> sent;
      for (const auto& s : link.sent) sent.push_back(s.second);
      QCOMPARE(sent, blocks);
    }
  }

  // What a write may send: values read cleanly, and values the user set whole.
  void unverifiedValues_data() {
    QTest::addColumn<QList<int>>("uncleanSteps");
    QTest::addColumn<bool>("outOfStep");
    QTest::addColumn<QList<int>>("userBits");
    QTest::addColumn<QString>("set");
    QTest::addColumn<QString>("names");
    QList<int> sw3;
    for (int b = 16; b < 24; ++b) sw3 << b;
    QTest::newRow("all clean") << QList<int>{} << false << QList<int>{} << "" << "";
    QTest::newRow("counters do not matter") << QList<int>{1, 7, 8, 12, 13, 15} << false << QList<int>{} << "" << "";
    QTest::newRow("SW3 unclean") << QList<int>{4} << false << QList<int>{} << "" << "SW3";
    QTest::newRow("SW3 unclean, all 8 set") << QList<int>{4} << false << sw3 << "" << "";
    QTest::newRow("SW3 unclean, 7 set") << QList<int>{4} << false << sw3.mid(1) << "" << "SW3";
    QTest::newRow("language unclean") << QList<int>{16, 17, 18} << false << QList<int>{} << ""
                                      << "Code Page,International Character Set,New 8x16 Font";
    QTest::newRow("language set") << QList<int>{16, 17, 18} << false << QList<int>{} << "codePage charSet font" << "";
    QTest::newRow("code page set alone") << QList<int>{16, 17} << false << QList<int>{} << "codePage" << "International Character Set";
    QTest::newRow("out of step") << QList<int>{} << true << QList<int>{0} << "font" << "SW1,SW2,SW3,SW4,SW5,Code Page,International Character Set";
  }
  void unverifiedValues() {
    QFETCH(QList<int>, uncleanSteps);
    QFETCH(bool, outOfStep);
    QFETCH(QList<int>, userBits);
    QFETCH(QString, set);
    QFETCH(QString, names);
    ReadIntegrity read;
    for (int step = 1; step <= kQueryCount; ++step) read.markClean(step, !uncleanSteps.contains(step));
    read.outOfStep = outOfStep;
    UserSetValues user;
    for (int bit : userBits) user.setSwitch(bit);
    user.codePage = set.contains("codePage"), user.charSet = set.contains("charSet"), user.font = set.contains("font");
    QStringList got;
    for (const auto& n : UnverifiedValues(read, user)) got << QString::fromStdString(n);
    QCOMPARE(got.join(','), names);
  }
};

QTEST_GUILESS_MAIN(WriteTest)
#include "test_write.moc"
