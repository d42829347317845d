// Which values a read takes cleanly, on every link shape, and the write refusal built on it: a
// printer that answers late, in pieces or with odd text never has its values written back.
#include <QtTest>

#include <deque>
#include <functional>

#include "fake_link.h"
#include "printer_script.h"
#include "protocol/read_sequence.h"
#include "protocol/write_sequence.h"
#include "recording_observer.h"

using namespace kestrova;

Q_DECLARE_METATYPE(kestrova::LinkShape)

namespace {

using Script = std::function<void(FakeLink&, bool device)>;

const QStringList kAll = {"Model Name",       "SW1",           "SW2",
                          "SW3",              "SW4",           "SW5",
                          "Firmware Revision", "Hours Powered", "Cut Paper Count",
                          "Installation Date", "Failed Paper Cut", "Line Printed",
                          "Serial Number",    "Language Model", "Font ROM",
                          "Code Page",        "International Character Set", "New 8x16 Font"};

Bytes Command(int step, bool device) { return device ? DeviceQueryBytes(step) : QueryBytes(step); }

// The printer of printer_script.h with one query answered by `reply` (raw bytes, delay 0).
Script OneReply(int step, const Bytes& reply) {
  return [step, reply](FakeLink& link, bool device) {
    ScriptPrinter(link, {}, device, 0, {step});
    link.answer(Command(step, device), reply);
  };
}

Script Silent(std::vector<int> steps) {
  return [steps](FakeLink& link, bool device) {
    ScriptPrinter(link, {}, device, 0, steps);
    for (int step : steps) link.silence(Command(step, device));
  };
}

struct Outcome {
  ReadResult result;
  std::int64_t tookMs;
};

Outcome Read(LinkShape shape, const Script& script) {
  FakeClock clock;
  FakeLink link(shape, clock);
  script(link, shape == LinkShape::DeviceHandle);
  RecordingObserver observer;
  ReadResult r = ReadPrinter(link, clock, observer);
  return {r, clock.nowMs()};
}

QStringList Names(const std::vector<std::string>& names) {
  QStringList out;
  for (const auto& n : names) out << QString::fromStdString(n);
  return out;
}

}  // namespace

class ReadIntegrityTest : public QObject {
  Q_OBJECT

 private slots:
  // A case is a row: the printer's behaviour, and the values the read must not count as clean.
  void uncleanValues_data() {
    QTest::addColumn<LinkShape>("shape");
    QTest::addColumn<void*>("script");
    QTest::addColumn<QStringList>("unclean");
    QTest::addColumn<bool>("outOfStep");
    QTest::addColumn<int>("tookMs");  // the whole read on the fake clock; -1: not checked

    static std::deque<Script> scripts;  // kept for the rows' pointers (a deque never moves them)
    auto row = [](const QByteArray& name, LinkShape shape, Script s, QStringList unclean, bool outOfStep, int took = -1) {
      scripts.push_back(std::move(s));
      QTest::newRow(name.constData()) << shape << static_cast<void*>(&scripts.back()) << unclean << outOfStep << took;
    };
    const auto tcp = LinkShape::Tcp;
    const auto serial = LinkShape::SerialComponent;
    const auto device = LinkShape::DeviceHandle;
    const Script clean = [](FakeLink& link, bool dev) { ScriptPrinter(link, {}, dev); };

    // A clean read keeps its pacing: 18 pauses of 200 ms, or 18 waits of 250 ms on the device handle.
    row("tcp/clean", tcp, clean, {}, false, 3600);
    row("serial/clean", serial, clean, {}, false, 3600);
    row("device/clean", device, clean, {}, false, 4500);
    // Bytes left from before the read belong to no query of it.
    row("tcp/stale before the read", tcp, [](FakeLink& link, bool) { link.preload(Reply("99")); ScriptPrinter(link); }, {}, false, 3600);
    row("device/stale before the read", device, [](FakeLink& link, bool) { link.preload(Reply("99")); ScriptPrinter(link, {}, true); }, {}, false, 4500);

    // Late replies: each one is taken by a later query, so nothing of the read is clean.
    row("tcp/late 550 ms", tcp, [](FakeLink& link, bool) { ScriptPrinter(link, {}, false, 550); }, kAll, true);
    row("serial/late 400 ms", serial, [](FakeLink& link, bool) { ScriptPrinter(link, {}, false, 400); }, kAll, true);
    row("device/late 1000 ms", device, [](FakeLink& link, bool) { ScriptPrinter(link, {}, true, 1000); }, kAll, true);
    row("serial/firmware 450 ms late", serial, [](FakeLink& link, bool) {
      ScriptPrinter(link, {}, false, 0, {7});
      link.answer(QueryBytes(7), Reply("V1.02"), 450);
    }, kAll, true);

    // A reply in two pieces, the second after the take: its rest is found waiting.
    const Script split = [](FakeLink& link, bool dev) {
      ScriptPrinter(link, {}, dev, 0, {2});
      link.answerParts(Command(2, dev), {{0, "_12"}, {dev ? 400 : 250, Bytes("8\0", 2)}});
    };
    row("tcp/SW1 in two pieces", tcp, split, kAll, true);
    row("serial/SW1 in two pieces", serial, split, kAll, true);
    row("device/SW1 in two pieces", device, split, kAll, true);

    // Switch replies that are not a plain decimal 0 to 255.
    for (const char* text : {"", "abc", "0x10", "12a", "1e2", "RT-5600", "256", "-1", " 12", "+12", "012"}) {
      for (auto [shape, name] : {std::pair{tcp, "tcp"}, std::pair{serial, "serial"}, std::pair{device, "device"}}) {
        const QByteArray label = QByteArray(name) + "/SW3 \"" + text + "\"";
        // Over TCP/IP one receive takes 8 bytes of a switch reply: the rest of a longer one waits.
        const bool overlong = shape == tcp && std::string(text).size() > 6;
        row(label, shape, OneReply(4, Reply(text)), overlong ? kAll : QStringList{"SW3"}, overlong);
      }
    }
    row("tcp/SW3 without header", tcp, OneReply(4, Bytes("X128\0", 5)), {"SW3"}, false);
    row("serial/SW3 without terminator", serial, OneReply(4, "_128"), {"SW3"}, false);

    // Language replies the lists do not hold, and no reply at all.
    for (auto [shape, name] : {std::pair{tcp, "tcp"}, std::pair{serial, "serial"}, std::pair{device, "device"}}) {
      const QByteArray n(name);
      row(n + "/code page 999", shape, OneReply(16, Reply("999")), {"Code Page"}, false);
      row(n + "/code page -1", shape, OneReply(16, Reply("-1")), {"Code Page"}, false);
      row(n + "/code page 23", shape, OneReply(16, Reply("23")), {"Code Page"}, false);
      row(n + "/charset 14", shape, OneReply(17, Reply("14")), {"International Character Set"}, false);
      row(n + "/font OFF", shape, OneReply(18, Reply("OFF")), {"New 8x16 Font"}, false);
      row(n + "/no language replies", shape, Silent({16, 17, 18}),
          {"Code Page", "International Character Set", "New 8x16 Font"}, false);
    }
    // A value that is merely text is clean whatever it says.
    row("tcp/firmware text", tcp, OneReply(7, Reply("anything \x7f")), {}, false, 3600);
  }

  void uncleanValues() {
    QFETCH(LinkShape, shape);
    QFETCH(void*, script);
    QFETCH(QStringList, unclean);
    QFETCH(bool, outOfStep);
    QFETCH(int, tookMs);
    const Outcome o = Read(shape, *static_cast<Script*>(script));
    QVERIFY2(o.result.ok(), o.result.reason.c_str());
    QCOMPARE(Names(o.result.integrity.uncleanNames()), unclean);
    QCOMPARE(o.result.integrity.outOfStep, outOfStep);
    if (tookMs >= 0) QCOMPARE(o.tookMs, std::int64_t(tookMs));
  }

  // What a write may send: clean values and values the user set whole.
  void unverifiedValues_data() {
    QTest::addColumn<QList<int>>("uncleanSteps");
    QTest::addColumn<bool>("outOfStep");
    QTest::addColumn<QList<int>>("userBits");  // switch indexes 0..39 the user set
    QTest::addColumn<QString>("set");          // "codePage", "charSet", "font", combined with '+'
    QTest::addColumn<QString>("refusal");      // empty: the write may go out

    QTest::newRow("all clean") << QList<int>{} << false << QList<int>{} << "" << "";
    QTest::newRow("counters do not matter") << QList<int>{1, 7, 8, 13, 15} << false << QList<int>{} << "" << "";
    QTest::newRow("SW3 unclean") << QList<int>{4} << false << QList<int>{} << ""
                                 << "not read cleanly: SW3; read the printer again";
    QList<int> sw3;
    for (int b = 16; b < 24; ++b) sw3 << b;
    QTest::newRow("SW3 unclean, all 8 set") << QList<int>{4} << false << sw3 << "" << "";
    QTest::newRow("SW3 unclean, 7 set") << QList<int>{4} << false << sw3.mid(1) << ""
                                        << "not read cleanly: SW3; read the printer again";
    QTest::newRow("language unclean") << QList<int>{16, 17, 18} << false << QList<int>{} << ""
                                      << "not read cleanly: Code Page, International Character Set, New 8x16 Font; "
                                         "read the printer again";
    QTest::newRow("language set") << QList<int>{16, 17, 18} << false << QList<int>{} << "codePage+charSet+font" << "";
    QTest::newRow("code page alone does not set the charset")
        << QList<int>{16, 17} << false << QList<int>{} << "codePage"
        << "not read cleanly: International Character Set; read the printer again";
    QTest::newRow("out of step") << QList<int>{} << true << QList<int>{0} << "font"
                                 << "not read cleanly: SW1, SW2, SW3, SW4, SW5, Code Page, International Character Set; "
                                    "read the printer again";
  }

  void unverifiedValues() {
    QFETCH(QList<int>, uncleanSteps);
    QFETCH(bool, outOfStep);
    QFETCH(QList<int>, userBits);
    QFETCH(QString, set);
    QFETCH(QString, refusal);
    ReadIntegrity read;
    for (int step = 1; step <= kQueryCount; ++step) read.markClean(step, !uncleanSteps.contains(step));
    read.outOfStep = outOfStep;
    UserSetValues user;
    for (int bit : userBits) user.setSwitch(bit);
    const QStringList parts = set.split('+');
    user.codePage = parts.contains("codePage");
    user.charSet = parts.contains("charSet");
    user.font = parts.contains("font");

    WriteValues values;
    values.switches = {0, 0, 0, 0, 0};
    values.charSetNumber = 0;
    values.unverified = UnverifiedValues(read, user);
    const auto why = WriteRefusal(values);
    QCOMPARE(why ? QString::fromStdString(*why) : QString(), refusal);
    // A refused write sends nothing, whatever the link.
    if (why) {
      FakeClock clock;
      FakeLink link(LinkShape::Tcp, clock);
      const WriteResult r = WriteSwitchSettings(link, clock, values);
      QCOMPARE(r.outcome, WriteOutcome::Refused);
      QCOMPARE(r.detail, why.value());
      QVERIFY(link.sent.empty());
      QCOMPARE(WriteOutcomeMessage(r).text, std::string("Write software switch FAILED"));
    }
  }
};

QTEST_GUILESS_MAIN(ReadIntegrityTest)
#include "test_read_integrity.moc"
