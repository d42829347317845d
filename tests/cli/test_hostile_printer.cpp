// kestrova-swctl against printers that answer in pieces, with odd text or not at all, on every
// link kind: `write` refuses to send back what the read did not cleanly get, says which values
// and sends nothing; `read --json` names them.
#include <QtTest>

#include <QJsonArray>
#include <QJsonObject>

#include "cli_harness.h"
#include "hostile_printer.h"

using kestrova::cli::testing::CliRun;
using kestrova::cli::testing::HostilePrinter;
using kestrova::cli::testing::JsonObjectOf;
using kestrova::cli::testing::ProgramsBuilt;
using kestrova::cli::testing::RunSwctl;

namespace {

const QString kLanguage = "Code Page, International Character Set, New 8x16 Font";
const QString kAll = "SW1, SW2, SW3, SW4, SW5, " + kLanguage;

std::string Reply(const std::string& text) { return "_" + text + '\0'; }

struct Case {
  int step;                     // the query answered the hostile way (0: none)
  HostilePrinter::Parts parts;  // its answer
  QStringList extraArgs;        // besides `write --fast LINK --set SW5-1=ON`
  QString refused;              // the values named; empty: the write goes out
};

const std::map<QString, Case>& Cases() {
  static const std::map<QString, Case> cases = {
      {"clean", {0, {}, {}, {}}},
      // The rest comes after the first take on every link (200 ms pause, 250 ms device-handle try).
      {"SW1 in two pieces", {2, {{0, "_12"}, {400, std::string("8\0", 2)}}, {}, kAll}},
      {"SW3 empty", {4, {{0, Reply("")}}, {}, "SW3"}},
      {"SW3 abc", {4, {{0, Reply("abc")}}, {}, "SW3"}},
      {"SW3 0x10", {4, {{0, Reply("0x10")}}, {}, "SW3"}},
      {"SW3 12a", {4, {{0, Reply("12a")}}, {}, "SW3"}},
      {"SW3 1e2", {4, {{0, Reply("1e2")}}, {}, "SW3"}},
      // Over TCP/IP a switch is one receive of 8 bytes: the rest of this reply waits for the next
      // query, so the whole read is out of step.
      {"SW3 model name", {4, {{0, Reply("RT-5600")}}, {}, kAll}},
      {"SW3 abc, all switches given", {4, {{0, Reply("abc")}}, {"--switches", "1,2,3,4,5"}, {}}},
      {"SW5 abc, one of its switches given", {6, {{0, Reply("abc")}}, {}, "SW5"}},
      {"no code page reply", {16, {}, {}, "Code Page"}},
      {"no code page reply, code page given", {16, {}, {"--code-page", "0"}, {}}},
      {"code page 999", {16, {{0, Reply("999")}}, {}, "Code Page"}},
      {"code page -1", {16, {{0, Reply("-1")}}, {}, "Code Page"}},
      {"no charset reply", {17, {}, {}, "International Character Set"}},
      {"no font reply", {18, {}, {}, "New 8x16 Font"}},
      {"no font reply, font given", {18, {}, {"--font8x16", "OFF"}, {}}},
  };
  return cases;
}

}  // namespace

class HostilePrinterTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!ProgramsBuilt()) QSKIP("kestrova-swctl not built");
  }

  void write_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("name");
    for (const QString link : {"tcp", "serial", "device"})
      for (const auto& [name, c] : Cases()) {
        // The serial and device-handle paths share the read's code with TCP/IP: a few cases there.
        const bool everywhere = name == "clean" || name == "SW1 in two pieces" || name == "SW3 abc" ||
                                name == "no font reply" || name == "code page 999";
        if (link == "tcp" || everywhere) QTest::newRow(qPrintable(link + "/" + name)) << link << name;
      }
  }

  void write() {
    QFETCH(QString, link);
    QFETCH(QString, name);
    const Case& c = Cases().at(name);
    HostilePrinter printer(link == "tcp" ? HostilePrinter::On::Tcp : HostilePrinter::On::Pty);
    if (c.step) printer.answer(c.step, c.parts);
    QVERIFY(printer.start());
    const QString option = link == "tcp" ? "--tcp" : link == "serial" ? "--serial" : "--device";
    const CliRun run =
        RunSwctl(QStringList{"write", "--fast", option, printer.link(), "--set", "SW5-1=ON"} + c.extraArgs, 30000);
    QVERIFY(run.finished);
    if (c.refused.isEmpty()) {
      QCOMPARE(run.exitCode, 0);
      QCOMPARE(run.errText(), QString("Don't let printer shut down when writing settings\n"));
      QVERIFY(!printer.otherCommands().empty());
      return;
    }
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.errText(), "Write software switch FAILED: " + printer.link() + ": not read cleanly: " + c.refused +
                                "; read the printer again; nothing written\n");
    QCOMPARE(run.outText(), QString());
    QCOMPARE(printer.otherCommands().size(), std::size_t(0));
  }

  // read --json names what was not clean; the values show what arrived.
  void readNamesUncleanValues() {
    HostilePrinter printer(HostilePrinter::On::Tcp);
    printer.answer(4, {{0, Reply("12a")}});
    printer.answer(16, {{0, Reply("999")}});
    QVERIFY(printer.start());
    const CliRun run = RunSwctl({"read", "--json", "--fast", "--tcp", printer.link()});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject o = JsonObjectOf(run.out.trimmed());
    QCOMPARE(o.value("unclean").toArray(), (QJsonArray{"SW3", "codePage"}));
    QCOMPARE(o.value("bytes").toArray(), (QJsonArray{1, 2, 12, 4, 5}));
    QCOMPARE(o.value("log").toArray().at(15).toString(), QString("Read Code Page = 999\r\n"));
  }
};

QTEST_GUILESS_MAIN(HostilePrinterTest)
#include "test_hostile_printer.moc"
