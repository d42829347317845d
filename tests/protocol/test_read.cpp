// The read over each link shape on the fake clock: the queries and their times, the replies as the
// window shows them, which values count as clean, the pacing, and every way a read stops.
#include <QtTest>

#include "fake_link.h"
#include "model/debug_trace.h"
#include "protocol/pacing.h"
#include "protocol/plain_read_observer.h"
#include "protocol/read_sequence.h"

using namespace kestrova;

namespace {

// The window's read state, with every call in order: W stop / R restart the watchdog, C clear,
// L log line, F field, P progress, c code page, s character set, f font, A apply the switches.
class Observer : public PlainReadObserver {
 public:
  std::function<bool()> cancelWhen;
  std::string calls;
  bool cancelled() override { return cancelWhen && cancelWhen(); }
  void stopWatchdog() override { calls += 'W'; }
  void restartWatchdog() override { calls += 'R'; }
  void clearRecord() override { calls += 'C', PlainReadObserver::clearRecord(); }
  void logLine(const std::string& l) override { calls += 'L', PlainReadObserver::logLine(l); }
  void fieldText(RecordField f, const std::string& t) override { calls += 'F', PlainReadObserver::fieldText(f, t); }
  void progressStep() override { calls += 'P', PlainReadObserver::progressStep(); }
  std::string applyCodePage(int n) override { return calls += 'c', PlainReadObserver::applyCodePage(n); }
  std::string applyCharSet(int n) override { return calls += 's', PlainReadObserver::applyCharSet(n); }
  std::string applyNewFont(FontReply r) override { return calls += 'f', PlainReadObserver::applyNewFont(r); }
  void applySwitchReplies(const SwitchSlots& s, ModelNo m) override { calls += 'A', PlainReadObserver::applySwitchReplies(s, m); }
};

using Script = std::function<void(FakeLink&, Observer&)>;

// One scripted reply to a step's query (several for a step are used in turn; no bytes: none),
// delayMs after it, with an optional rest restMs after it.
struct ScriptedReply {
  int step;
  Bytes bytes;
  int delayMs = 0;
  Bytes rest = {};
  int restMs = 0;
};

// The printer of fake_link.h, every reply delayMs late, with these replies instead of its own.
Script Printer(std::vector<ScriptedReply> answers = {}, int delayMs = 0, Bytes stale = {}) {
  return [=](FakeLink& link, Observer&) {
    std::vector<int> own;
    link.pending = stale;
    for (const ScriptedReply& a : answers) {
      own.push_back(a.step);
      std::vector<Part> parts;
      if (!a.bytes.empty()) parts.push_back({a.delayMs, a.bytes});
      if (!a.rest.empty()) parts.push_back({a.restMs, a.rest});
      link.answer(QueryBytes(a.step, link.replyStyle() == ReplyStyle::Block), parts);
    }
    ScriptPrinter(link, delayMs, own);
  };
}

QString Show(const std::string& s) {
  QString out;
  for (char c : s) out += c == '\0' ? QString(".") : QString(QChar::fromLatin1(c));
  return out;
}
template <typename List, typename F>
QString Join(const List& list, F f, const char* sep = ",") {
  QStringList out;
  for (const auto& x : list) out << f(x);
  return out.join(sep);
}
QString Number(long long n) { return QString::number(n); }

const QString kAll =
    "Model Name,SW1,SW2,SW3,SW4,SW5,Firmware Revision,Hours Powered,Cut Paper Count,Installation Date,Failed Paper "
    "Cut,Line Printed,Serial Number,Language Model,Font ROM,Code Page,International Character Set,New 8x16 Font";
const QString kFields =
    "modelName=RT-6100;firmwareRevision=V1.02;hoursPowered=1234;cutPaperCount=567;installationDate=2021-03-04;"
    "failedPaperCut=2;linePrinted=89012;serialNumber=SN0001;languageModel=Latin;fontRom=ROM-A;codePage=17 - Cyrillic;"
    "internationalCharSet=15- Ex-Yugoslavia;new8x16Font=ON;printDensity=95%;thaiPass=";
const QString kLog =
    "Read Model Name = RT-6100|Read Software Switch 1 = 0|Read Software Switch 2 = 1|Read Software Switch 3 = 128|"
    "Read Software Switch 4 = 255|Read Software Switch 5 = 30|Read Firmware Revision = V1.02|Read Hours Powered = 1234|"
    "Read Cut Paper Count = 567|Read Installation Date = 2021-03-04|Read Failed Paper Cut = 2|Read Line Printed = 89012|"
    "Read Serial Number = SN0001|Read Language Model = Latin|Read Font ROM = ROM-A|Read Code Page = 17|"
    "Read International Character Set = 15|Read New 8x16 Font = ON";
QString Steps(int from, int to, const QString& then = {}) {
  QStringList s;
  for (int i = from; i <= to; ++i) s << Number(i);
  return s.join(',') + then;
}
QString Every(int ms, int count) {
  QStringList s;
  for (int i = 0; i < count; ++i) s << Number(i * ms);
  return s.join(',');
}

}  // namespace

Q_DECLARE_METATYPE(Script)
Q_DECLARE_METATYPE(kestrova::ReplyStyle)

class ReadTest : public QObject {
  Q_OBJECT
  std::vector<std::string> traces_;

 private slots:
  void initTestCase() {
    SetDebugMode(true);
    SetTraceSink([this](const std::string& line) { traces_.push_back(line); });
  }

  // A row: the link, the model the read starts with (-1: ReadData itself), the pacing, the printer,
  // and the facts of the read that must hold ("key=value;...", see read()).
  void read_data() {
    QTest::addColumn<ReplyStyle>("shape");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("fast");
    QTest::addColumn<Script>("script");
    QTest::addColumn<QString>("expect");
    const auto serial = ReplyStyle::Stream, tcp = ReplyStyle::Bounded, dev = ReplyStyle::Block;
    auto row = [](const QString& name, ReplyStyle shape, Script s, const QString& expect, int start = 0, bool fast = false) {
      QTest::newRow(qPrintable(name)) << shape << start << fast << s << expect;
    };
    const Bytes z(1, '\0');
    const QString serialCalls = "WCLPFLPLPLPLPLPLPFLPFLPFLFLFLFLPFLPFLPFLPcFLPsFLPfFA";
    const QString done = "out=ok;unclean=;oos=0;model=4;shown=4;bytes=0,1,128,255,30;log=" + kLog + ";" + kFields;
    row("serial", serial, Printer({}, 0, Bytes("stale\0", 6)),
        done + ";sent=" + Steps(1, 18) + ";at=" + Every(200, 18) + ";t=3600;progress=15" +
            ";calls=" + serialCalls + ";slot1=_0......;slot4=_255....;trace=(ReadData) Port = \"COM\"|(ReadSW)SW1=0,SW2=1,SW3=128,SW4=255");
    row("tcp", tcp, Printer({}, 0, Reply("99")),
        done + ";sent=" + Steps(1, 18) + ";at=" + Every(200, 18) + ";t=3600;progress=15;calls=" + serialCalls +
            ";rx=64,8,8,8,8,8,64,64,64,64,64,64,64,64,64,64,64,64;trace=(ReadData) Port = \"TCP/IP\"|(ReadSW)SW1=0,SW2=1,SW3=128,SW4=255");
    row("device", dev, Printer({}, 0, Reply("99")),
        "out=ok;unclean=;oos=0;model=4;shown=4;bytes=0,1,128,255,30;log=" + kLog +
            ";modelName=RT-6100 ;firmwareRevision=V1.02 ;linePrinted=89012 ;fontRom=ROM-A ;codePage=17 - Cyrillic;"
            "internationalCharSet=15- Ex-Yugoslavia;new8x16Font=ON;printDensity=95%;sent=" +
            Steps(1, 18) + ";at=" + Every(250, 18) + ";t=4500;progress=18;rx=" + Join(std::vector<int>(18, 64), Number) +
            ";calls=WCLPFWLPLPLPLPLPLPFLPFLPFLPFLPFLPFLPFLPFLPFLPcFLPsFLPfFA;slot3=_128....;ev=" +
            QString("TSR").repeated(18) + "DC;trace=(ReadSW)SW1=0,SW2=1,SW3=128,SW4=255");
    // The reported name picks the model from the link's own list.
    row("serial RT-5500E", serial, Printer({{1, Reply("RT-5500E")}}), "out=ok;model=13;shown=13");
    row("tcp RT-5500E", tcp, Printer({{1, Reply("RT-5500E")}}), "out=ok;model=3;shown=3");
    row("serial KD6-plus", serial, Printer({{1, Reply("KD6-plus")}}), "out=ok;model=7");
    row("tcp RT-3206", tcp, Printer({{1, Reply("RT-3206")}}), "out=ok;model=18");
    row("device RT-4300X", dev, Printer({{1, Reply("RT-4300X")}}), "out=ok;model=10;t=4500");
    // RT-4300 and KD250 over the device handle: a second before every query after the name.
    row("device RT-4300", dev, Printer({{1, Reply("RT-4300")}}),
        "out=ok;model=6;t=24500;at=0,1250,2500,3750,5000,6250,7500,9750,12000,13250,14500,15750,17000,18250,19500,"
        "20750,22000,24250");
    row("device KD250", dev, Printer({{1, Reply("KD250")}}), "out=ok;model=8;t=24500");
    row("device unknown name keeps the start model", dev, Printer({{1, Reply("ZQ8_USB")}}),
        "out=ok;model=14;shown=14;modelName=ZQ8_USB ;unclean=Model Name", 14);
    row("device name without header still matches", dev, Printer({{1, Bytes("XRT-5600\0", 9)}}),
        "out=ok;model=9;modelName=;log0=Read Software Switch 1 = 0;progress=17");
    for (auto [shape, prefix] : {std::pair{serial, "(COM)"}, std::pair{tcp, "(TCP)"}}) {
      const QString p(prefix);
      row(p + " three unknown names", shape, Printer({{1, Reply("XP-9999")}}),
          "out=aborted;why=model name not recognised after 3 attempts;sent=1,1,1;t=600;log=;calls=WCR;modelName=;trace=" +
              QString("(ReadData) Port = \"%1\"|").arg(shape == serial ? "COM" : "TCP/IP") + p +
              "read model name failed cc=1, tmp=_XP-9999|" + p + "read model name failed cc=2, tmp=_XP-9999|" + p +
              "read model name failed cc=3, tmp=_XP-9999");
    }
    row("serial name on the second attempt", serial, Printer({{1, ""}, {1, Reply("RT-6100")}}),
        "out=ok;sent=1," + Steps(1, 18) + ";progress=15;log0=Read Model Name = RT-6100;trace=(ReadData) Port = "
        "\"COM\"|(COM)read model name failed cc=1, tmp=|(ReadSW)SW1=0,SW2=1,SW3=128,SW4=255");
    row("serial SW1 unanswered", serial, Printer({{2, ""}}),
        "out=aborted;why=no reply to the SW1 query;sent=1,2;log=Read Model Name = RT-6100;modelName=RT-6100;calls=WCLPFR");
    row("serial SW2 unanswered", serial, Printer({{3, ""}}), "out=ok;sent=" + Steps(1, 18) + ";log2=Read Software Switch 2 = ;slot2=........;bytes=0,-,128,255,30;unclean=SW2");
    row("tcp SW2 on the third try", tcp, Printer({{3, "x5"}, {3, ""}, {3, Reply("5")}}),
        "out=ok;sent=1,2,3,3,3," + Steps(4, 18) + ";log2=Read Software Switch 2 = 5;progress=15;slot2=_5......;t=4800");
    row("tcp SW3 never valid", tcp, Printer({{4, Bytes("?12\0", 4)}}),
        "out=ok;sent=1,2,3,4,4,4,4," + Steps(5, 18) + ";log3=Read Software Switch 3 = 12;slot3=?12.....;bytes=0,1,-,255,30");
    row("serial late firmware taken by the next query", serial, Printer({{7, Reply("V1.02"), 210}}, 20),
        "out=ok;firmwareRevision=;log6=Read Firmware Revision = ;hoursPowered=V1.02;cutPaperCount=567;oos=1");
    row("tcp partial reply", tcp, Printer({{13, "_SN", 0, "0001" + z, 210}}, 20), "out=ok;serialNumber=SN;languageModel=001;oos=1");
    row("serial long replies cut", serial, Printer({{2, Reply("123456789")}, {7, Reply(std::string(200, 'F'))}}),
        "out=ok;firmwareRevision=" + QString(126, 'F') + ";slot1=_123456.;log1=Read Software Switch 1 = 123456");
    row("device switch slot keeps five bytes", dev, Printer({{2, Reply("1234567")}}), "out=ok;slot1=_1234...;log1=Read Software Switch 1 = 1234567");
    row("device reply without header read again", dev, Printer({{7, "XV9.99" + z, 100, "_V1" + z, 400}}),
        "out=ok;sent=" + Steps(1, 18) + ";firmwareRevision=V1 ;log6=Read Firmware Revision = V1;progress=18;unclean=");
    row("device reply never valid", dev, Printer({{9, "567"}}), "out=ok;progress=17;cutPaperCount=;unclean=Cut Paper Count;t=6000");
    // Language replies as numbers read like the C library, the font as on, off or unchanged.
    row("serial language odd", serial, Printer({{16, Reply("x")}, {17, Reply(" 3a")}, {18, Reply("OFF")}}),
        "out=ok;codePage=0  - Standard;internationalCharSet=3 - U.K.;new8x16Font=");
    row("serial language unanswered", serial, Printer({{16, ""}, {17, ""}, {18, ""}}),
        "out=ok;codePage=0  - Standard;internationalCharSet=0 - U.S.A.;new8x16Font=OFF");
    row("tcp language", tcp, Printer({{16, Reply("1")}, {17, Reply("19")}, {18, Reply("O")}}),
        "out=ok;codePage=1  - Japanese;internationalCharSet=;new8x16Font=");
    row("tcp font ON and more", tcp, Printer({{18, Reply("ONX")}}), "out=ok;new8x16Font=ON;unclean=New 8x16 Font");
    row("tcp font header alone", tcp, Printer({{18, "_"}}), "out=ok;new8x16Font=OFF");
    row("device font off", dev, Printer({{18, "_" + z}}), "out=ok;new8x16Font=OFF");
    row("device font OFF", dev, Printer({{18, Reply("OFF")}}), "out=ok;new8x16Font=");
    // Pacing: reply-terminated takes each reply as it ends, never later than the fixed pause.
    row("serial fast", serial, Printer({}, 15), "out=ok;t=270;progress=15;log3=Read Software Switch 3 = 128", 0, true);
    row("tcp fast", tcp, Printer({}, 15), "out=ok;t=270;model=4", 0, true);
    row("device fast", dev, Printer({}, 10), "out=ok;t=180;progress=18", 0, true);
    row("tcp fast, terminator 120 ms after", tcp, Printer({{7, "_V1", 10, z, 120}}, 15), "out=ok;t=375;firmwareRevision=V1;unclean=", 0, true);
    row("serial fast never past the pause", serial, Printer({{1, Reply("XP"), 500}}), "out=aborted;at=0,200,400", 0, true);
    // Links that cannot be read, and reads that stop.
    row("tcp not connected", tcp, [](FakeLink& l, Observer&) { l.open = false; },
        "out=aborted;why=TCP/IP client not connected;ev=;calls=WCR;trace=(ReadData) Port = \"TCP/IP\"");
    row("serial not open", serial, [](FakeLink& l, Observer&) { l.open = false; }, "out=aborted;why=serial port not open;ev=");
    row("device not open", dev, [](FakeLink& l, Observer&) { l.open = false; },
        "out=aborted;why=device handle not open;model=3;ev=;calls=", 3);
    row("ReadData refuses the device handle", dev, Printer(), "out=aborted;why=not a serial or TCP/IP link;ev=;calls=", -1);
    row("tcp send fails", tcp, [](FakeLink& l, Observer& o) { Printer()(l, o), l.failSends(4); },
        "out=aborted;why=query 5 not sent: fake: write failed;sent=1,2,3,4;calls=WCLPFLPLPLPR");
    row("device answers nothing", dev, [](FakeLink& l, Observer&) { l.answer(QueryBytes(1, true), {{0, "no header"}}); },
        "out=aborted;why=no valid reply to any query;sent=" + Steps(1, 18) + ";log=;calls=WCWR;ev=" + QString("TSRRR").repeated(18) + "DC");
    for (int query : {1, 12, 18})
      row(QString("device lost at query %1").arg(query), dev,
          [query](FakeLink& l, Observer& o) { Printer()(l, o), l.afterSend = [&l, query](int i) { l.open = i != query - 1; }; },
          QString("out=aborted;why=link lost at query %1: fake: connection closed;sent=%2;end=R;shown=0;ev=%3TSRRRDC")
                  .arg(query).arg(Steps(1, query), QString("TSR").repeated(query - 1)));
    row("device write fails", dev, [](FakeLink& l, Observer& o) { Printer()(l, o), l.failSends(3); },
        "out=aborted;why=link lost at query 4: fake: write failed;sent=1,2,3;t=750;ev=TSRTSRTSRTSDC");
    row("serial cancelled", serial, [](FakeLink& l, Observer& o) { Printer({{1, Reply("x")}})(l, o), o.cancelWhen = [&l] { return l.sent.size() >= 2; }; },
        "out=cancelled;sent=1,1;calls=WC;ev=TSTTST");
    row("device cancelled", dev, [](FakeLink& l, Observer& o) { Printer()(l, o), o.cancelWhen = [&l] { return l.sent.size() >= 4; }; },
        "out=cancelled;sent=1,2,3,4;ev=TSRTSRTSRTSR;calls=WCLPFWLPLPLP");
    row("tcp cancelled at once", tcp, [](FakeLink&, Observer& o) { o.cancelWhen = [] { return true; }; }, "out=cancelled;ev=;calls=;trace=");

    // Integrity. Late replies are taken by a later query: nothing of such a read is clean.
    for (auto [shape, late, pieces] : {std::tuple{tcp, 550, 250}, {serial, 400, 250}, {dev, 1000, 400}}) {
      row(QString("late %1 ms, shape %2").arg(late).arg(int(shape)), shape, Printer({}, late), "out=ok;oos=1;unclean=" + kAll);
      row(QString("SW1 in two pieces, shape %1").arg(int(shape)), shape, Printer({{2, "_12", 0, "8" + z, pieces}}), "out=ok;oos=1;unclean=" + kAll);
    }
    row("serial firmware 450 ms late", serial, Printer({{7, Reply("V1.02"), 450}}), "out=ok;oos=1;unclean=" + kAll);
    row("tcp SW3 without header", tcp, Printer({{4, "X128" + z}}), "out=ok;oos=0;unclean=SW3");
    row("serial SW3 without terminator", serial, Printer({{4, "_128"}}), "out=ok;oos=0;unclean=SW3");
    row("tcp firmware any text", tcp, Printer({{7, Reply("anything \x7f")}}), "out=ok;oos=0;unclean=;t=3600");
    for (auto [shape, name] : {std::pair{tcp, "tcp"}, std::pair{serial, "serial"}, std::pair{dev, "device"}}) {
      const QString n(name);
      // Switch replies that are not a plain decimal 0..255; over TCP/IP one receive takes 8 bytes
      // of a switch reply, so the rest of a longer one is found waiting.
      for (const char* text : {"", "abc", "0x10", "12a", "1e2", "RT-5600", "256", "-1", " 12", "+12", "012"}) {
        const bool overlong = shape == tcp && std::string(text).size() > 6;
        row(n + " SW3 " + text, shape, Printer({{4, Reply(text)}}), overlong ? "oos=1;unclean=" + kAll : "oos=0;unclean=SW3");
      }
      row(n + " code page 999", shape, Printer({{16, Reply("999")}}), "oos=0;unclean=Code Page");
      row(n + " code page -1", shape, Printer({{16, Reply("-1")}}), "oos=0;unclean=Code Page");
      row(n + " code page 23", shape, Printer({{16, Reply("23")}}), "oos=0;unclean=Code Page");
      row(n + " charset 14", shape, Printer({{17, Reply("14")}}), "oos=0;unclean=International Character Set");
      row(n + " font OFF", shape, Printer({{18, Reply("OFF")}}), "oos=0;unclean=New 8x16 Font");
      row(n + " no language replies", shape, Printer({{16, ""}, {17, ""}, {18, ""}}),
          "oos=0;unclean=Code Page,International Character Set,New 8x16 Font");
    }
  }

  void read() {
    QFETCH(ReplyStyle, shape);
    QFETCH(int, start);
    QFETCH(bool, fast);
    QFETCH(Script, script);
    QFETCH(QString, expect);
    FakeClock clock;
    FakeLink link(shape, clock);
    Observer observer;
    script(link, observer);
    traces_.clear();
    const ReplyTerminatedPacing replyTerminated;
    const PacingPolicy& pacing = fast ? static_cast<const PacingPolicy&>(replyTerminated) : FixedPacing::instance();
    const ReadResult r = RunToEnd(start < 0 ? ReadData(link, clock, observer, pacing)
                                            : ReadPrinter(link, clock, observer, ModelNo(start), pacing));
    const bool device = shape == ReplyStyle::Block;
    QMap<QString, QString> facts = {
        {"out", r.outcome == ReadOutcome::Success ? "ok" : r.outcome == ReadOutcome::Aborted ? "aborted" : "cancelled"},
        {"why", Show(r.reason)},
        {"model", Number(r.activeModelNo)},
        {"shown", Number(observer.record.activeModelNo)},
        {"sent", Join(link.sent, [&](const auto& s) {
           for (int step = 1; step <= 18; ++step)
             if (s.second == QueryBytes(step, device)) return Number(step);
           return Show(s.second);
         })},
        {"at", Join(link.sent, [](const auto& s) { return Number(s.first); })},
        {"t", Number(clock.nowMs())},
        {"log", Join(observer.log, [](const std::string& l) { return Show(l.substr(0, l.size() - 2)) + (l.size() > 1 && l.substr(l.size() - 2) == "\r\n" ? "" : "!"); }, "|")},
        {"progress", Number(observer.progressSteps)},
        {"calls", QString::fromStdString(observer.calls)},
        {"end", QString::fromStdString(observer.calls.substr(observer.calls.empty() ? 0 : observer.calls.size() - 1))},
        {"bytes", Join(observer.replyBytes, [](const auto& b) { return b ? Number(*b) : QString("-"); })},
        {"unclean", Join(r.integrity.uncleanNames(), QString::fromStdString)},
        {"oos", Number(r.integrity.outOfStep)},
        {"rx", Join(link.receiveSizes, Number)},
        {"ev", QString::fromStdString(link.events)},
        {"trace", Join(traces_, QString::fromStdString, "|")},
    };
    for (std::size_t i = 0; i < observer.log.size(); ++i) facts["log" + Number(i)] = Show(observer.log[i]).chopped(2);
    for (const auto& f : RecordFields()) facts[f.jsonKey] = Show(observer.record.text(f.field));
    for (int n = 1; n <= 5; ++n) facts["slot" + Number(n)] = Show(std::string(r.switchSlots[n - 1].data(), kSwitchSlotSize));
    for (const QString& fact : expect.split(';')) {
      const QString key = fact.section('=', 0, 0);
      QVERIFY2(facts.contains(key), qPrintable(key));
      QCOMPARE(key + "=" + facts[key], fact);
    }
  }
};

QTEST_GUILESS_MAIN(ReadTest)
#include "test_read.moc"
