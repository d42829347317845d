// kestrova-swctl apply against the printer simulator: a printer that differs is written once and
// then left alone, --check and a printer of another model get the read only, and a fleet with a
// printer that fails mid-write gets one exact line (or object) per printer.
#include <QtTest>

#include <QJsonArray>
#include <memory>
#include <vector>

#include "cli_harness.h"

using namespace kestrova::cli::testing;

namespace {

const QStringList kGolden = {"--model", "RT5600", "--switches", "10,20,30,40,50", "--code-page", "19"};
// The golden printer with SW3-8 OFF and code page 0.
const QStringList kDrifted = {"--model", "RT5600", "--switches", "10,20,158,40,50"};
const QString kDrift = "SW3-8 OFF (Auto cutter - Enable) -> ON (Auto cutter - Disable); "
                       "Code Page 0  - Standard -> 19 - Multilingual(Euro)";
const QString kWarning = "Don't let printer shut down when writing settings\n";
const QString kQueries = "1d 49 43 00 1d 67 34 27 1d 67 34 28 1d 67 34 29 1d 67 34 2a 1d 67 34 2b 1d 49 41 00 "
                         "1d 67 34 10 1d 67 34 15 1d 67 34 09 1d 67 34 16 1d 67 34 1b 1d 67 34 05 1d 67 34 24 "
                         "1d 49 45 00 1d 67 34 21 1d 67 34 22 1d 67 34 25";

QStringList Sets(const QStringList& events) { return events.filter(QRegularExpression("^(set |unlock$|lock$)")); }

QJsonObject Difference(const QString& setting, const QString& before, const QString& after) {
  return {{"setting", setting}, {"before", before}, {"after", after}};
}

}  // namespace

class SwctlApplyTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    if (!ProgramsBuilt()) QSKIP("kestrova-swctl or kestrova-printer-sim is not built");
    Printer golden;
    QVERIFY2(golden.start(kGolden + QStringList{"--tcp", "127.0.0.1:0"}), qPrintable(golden.errorText()));
    profile_ = dir_.filePath("golden.json");
    QFile file(profile_);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(RunSwctl({"read", "--tcp", golden.tcp(), "--json", "--fast"}).out);
  }

  // On each link kind: --check sends the read only; apply writes the two differences once; the
  // printer started again (taking the written values) is read and sent nothing more.
  void differentThenEqual_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("queries");
    QTest::addColumn<QStringList>("writeEvents");
    // The code page name goes out cut to its 21 bytes.
    const QStringList language = {"set code-page=19", "set code-page-name=Multilingual (Latin+E", "set charset=0",
                                  "set font-8x16="};
    QTest::newRow("tcp") << "--tcp" << kQueries
                         << QStringList{"unlock", "set SW2=20", "set SW3=30", "set SW5=50"} + language +
                                QStringList{"lock", "unlock", "set SW4=40", "lock", "unlock", "set SW1=10", "lock"};
    const QStringList oneFrame =
        QStringList{"unlock", "set SW1=10", "set SW2=20", "set SW3=30", "set SW4=40", "set SW5=50"} + language + QStringList{"lock"};
    QTest::newRow("serial") << "--serial" << kQueries << oneFrame;
    QString device = kQueries;
    QTest::newRow("device") << "--device" << device.replace("1d 49 43 00", "1d 49 43").replace("1d 49 41 00", "1d 49 41") << oneFrame;
  }
  void differentThenEqual() {
    QFETCH(QString, link);
    QFETCH(QString, queries);
    QFETCH(QStringList, writeEvents);
    const bool tcp = link == "--tcp";
    const QString state = dir_.filePath(QString("state-%1.json").arg(QTest::currentDataTag()));
    const auto where = [tcp](Printer& p) { return tcp ? QStringList{"--tcp", "127.0.0.1:0"} : QStringList{"--pty", p.ptyPath()}; };
    const auto target = [tcp](Printer& p) { return tcp ? p.tcp() : p.ptyPath(); };
    const QStringList apply = {"apply", "--from", profile_, "--fast", link};

    Printer drifted;
    QVERIFY2(drifted.start(kDrifted + where(drifted) + QStringList{"--state", state}), qPrintable(drifted.errorText()));
    const CliRun check = RunSwctl(apply + QStringList{target(drifted), "--check"});
    QCOMPARE(check.errText(), QString());
    QCOMPARE(check.exitCode, 0);
    QCOMPARE(check.outLines(), QStringList{target(drifted) + ": would change: " + kDrift});
    QVERIFY(drifted.waitForEvent("query font-8x16"));
    QCOMPARE(drifted.received().join(' '), queries);

    const CliRun changed = RunSwctl(apply + QStringList{target(drifted)});
    QCOMPARE(changed.errText(), kWarning + target(drifted) + ": Backup saved to BACKUP\n");
    QCOMPARE(changed.exitCode, 0);
    QCOMPARE(changed.outLines(), QStringList{target(drifted) + ": changed: " + kDrift});
    // The simulator logs what it has taken in a moment after the tool has ended.
    QTRY_COMPARE(Sets(drifted.events()), writeEvents);
    drifted.stop();

    Printer restarted;
    QVERIFY2(restarted.start(QStringList{"--state", state} + where(restarted)), qPrintable(restarted.errorText()));
    const CliRun unchanged = RunSwctl(apply + QStringList{target(restarted)});
    QCOMPARE(unchanged.errText(), QString());
    QCOMPARE(unchanged.exitCode, 0);
    QCOMPARE(unchanged.outLines(), QStringList{target(restarted) + ": unchanged"});
    QVERIFY(restarted.waitForEvent("query font-8x16"));
    QCOMPARE(restarted.received().join(' '), queries);
  }

  // A fleet in the order given: the golden printer, a drifted one, one of another model, one that
  // drops the connection two commands into the write, and a refused port. %1..%5 are their links.
  void fleet_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<int>("unlocks");  // unlock commands the drifted printer takes
    const QString model = "Write software switch FAILED: %3: the printer is RT6100 (model 4), the file holds RT5600 (model 9); "
                          "nothing written";
    const QString cut = "Write software switch FAILED: %4: SW3 not sent in full: %4: connection closed; Lock not sent: the link is closed";
    const QString refused = "Read software switch FAILED: %5: connection refused";
    const QString errors = "%2: Backup saved to BACKUP\n%3: " + model + "\n%4: Backup saved to BACKUP\n%4: " + cut + "\n%5: " +
                           refused + "\n";
    QTest::newRow("text") << QStringList{} << 1 << QStringList{"%1: unchanged", "%2: changed: " + kDrift} << kWarning + errors << 3;
    QTest::newRow("check") << QStringList{"--check"} << 1
                           << QStringList{"%1: unchanged", "%2: would change: " + kDrift, "%4: would change: " + kDrift}
                           << "%3: " + model + "\n%5: " + refused + "\n" << 0;
    const QJsonArray drift = {Difference("SW3-8", "OFF (Auto cutter - Enable)", "ON (Auto cutter - Disable)"),
                              Difference("Code Page", "0  - Standard", "19 - Multilingual(Euro)")};
    const auto object = [](const QString& link, bool changed, const QJsonArray& differences, const QString& failure = {}) {
      QJsonObject o{{"link", link}, {"ok", failure.isEmpty()}, {"changed", changed}, {"differences", differences}, {"error", QJsonValue()},
                    {"backup", differences.isEmpty() ? QJsonValue() : QJsonValue("BACKUP")}};
      if (!failure.isEmpty()) {
        o.insert("error", failure.section(": ", 0, 0));
        o.insert("cause", failure.section(": ", 1));
      }
      return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
    };
    QTest::newRow("json") << QStringList{"--json"} << 1
                          << QStringList{object("%1", false, {}), object("%2", true, drift), object("%3", false, {}, model),
                                         object("%4", false, drift, cut), object("%5", false, {}, refused)}
                          << kWarning + errors << 3;
  }
  void fleet() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    QFETCH(QString, err);
    QFETCH(int, unlocks);
    Printer golden, drifted, other, dropping;
    QVERIFY2(golden.start(kGolden + QStringList{"--tcp", "127.0.0.1:0"}), qPrintable(golden.errorText()));
    QVERIFY2(drifted.start(kDrifted + QStringList{"--tcp", "127.0.0.1:0"}), qPrintable(drifted.errorText()));
    QVERIFY2(other.start({"--model", "RT6100", "--tcp", "127.0.0.1:0"}), qPrintable(other.errorText()));
    QVERIFY2(dropping.start(kDrifted + QStringList{"--drop-after", "20", "--tcp", "127.0.0.1:0"}), qPrintable(dropping.errorText()));
    const QStringList links = {golden.tcp(), drifted.tcp(), other.tcp(), dropping.tcp(), QStringLiteral("127.0.0.1:%1").arg(FreePort())};
    QStringList command = QStringList{"apply", "--from", profile_, "--fast"} + args;
    for (const QString& l : links) command << "--tcp" << l;
    const auto fill = [&links](QString text) {
      for (int i = 0; i < links.size(); ++i) text.replace(QString("%%1").arg(i + 1), links[i]);
      return text;
    };
    const CliRun run = RunSwctl(command);
    QCOMPARE(run.errText(), fill(err));
    QCOMPARE(run.exitCode, exitCode);
    QStringList expected;
    for (const QString& line : out) expected << fill(line);
    QCOMPARE(run.outLines().replaceInStrings(QRegularExpression("\"backup\":\"" + QRegularExpression::escape(BackupsRoot()) + "/[^\"]+\""),
                                             "\"backup\":\"BACKUP\""),
             expected);
    // The drifted printer took the whole write once; the cut one the unlock and SW2; the golden
    // printer and the other model nothing but the read.
    if (unlocks) QVERIFY(drifted.waitForEvent("set SW1=10"));
    QCOMPARE(drifted.events().count("unlock"), unlocks);
    QCOMPARE(dropping.events().count("unlock"), unlocks ? 1 : 0);
    for (const Printer* untouched : {&golden, &other}) QCOMPARE(Sets(untouched->events()), QStringList{});
  }

  // A golden profile saved from a flaky read (every reply overlong, so no value was read cleanly):
  // write and apply refuse it before anything is sent, unless the options set those values
  // whole; check and metrics never call a flaky printer a match.
  void uncleanProfile_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");  // %1: the flaky profile
    QTest::addColumn<QString>("out");  // %2: the good printer's link, %3: the flaky printer's
    const QString all = "kestrova-swctl: %1: SW1, SW2, SW3, SW4, SW5, Code Page, International Character Set were not "
                        "read cleanly when it was saved; read that printer again\n";
    QTest::newRow("write --from") << QStringList{"write", "--from", "%1", "--tcp", "%2"} << 2 << all << "";
    QTest::newRow("apply --from") << QStringList{"apply", "--from", "%1", "--tcp", "%2"} << 2 << all << "";
    QTest::newRow("switches set whole, charset not")
        << QStringList{"write", "--from", "%1", "--switches", "1,2,3,4,5", "--charset", "0", "--tcp", "%2"} << 2
        << "kestrova-swctl: %1: Code Page was not read cleanly when it was saved; read that printer again\n" << "";
    QTest::newRow("every value set by the options")
        << QStringList{"write", "--from", "%1", "--switches", "10,20,30,40,50", "--code-page", "19", "--dry-run", "--tcp", "%2"}
        << 0 << "" << "No change: the values read were written back\nDry run: nothing written\n";
    QTest::newRow("check a flaky printer")
        << QStringList{"check", "--from", "golden", "--tcp", "%3"} << 1 << ""
        << "%3: 8 differences: SW1 file 10, printer (not read cleanly); SW2 file 20, printer (not read cleanly); "
           "SW3 file 30, printer (not read cleanly); SW4 file 40, printer (not read cleanly); SW5 file 50, printer "
           "(not read cleanly); Code Page file 19 - Multilingual(Euro), printer (not read cleanly); International "
           "Character Set file 0 - U.S.A., printer (not read cleanly); New 8x16 Font file OFF, printer (not read "
           "cleanly)\n";
  }
  void uncleanProfile() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    QFETCH(QString, out);
    Printer good, flaky;
    QVERIFY2(good.start(kGolden + QStringList{"--tcp", "127.0.0.1:0"}), qPrintable(good.errorText()));
    QVERIFY2(flaky.start(kGolden + QStringList{"--overlong", "40", "--tcp", "127.0.0.1:0"}), qPrintable(flaky.errorText()));
    const QString flakyProfile = dir_.filePath("flaky.json");
    QVERIFY(WriteFile(flakyProfile, RunSwctl({"read", "--tcp", flaky.tcp(), "--json", "--fast"}).out));
    const auto fill = [&](QString text) {
      return text.replace("%1", flakyProfile).replace("%2", good.tcp()).replace("%3", flaky.tcp()).replace("golden", profile_);
    };
    QStringList command;
    for (const QString& a : args) command << fill(a);
    const CliRun run = RunSwctl(command + QStringList{"--fast"});
    QCOMPARE(run.errText(), fill(err));
    QCOMPARE(run.outText(), fill(out));
    QCOMPARE(run.exitCode, exitCode);
    // A refused profile reaches no printer at all; nothing is ever written.
    if (exitCode == 2) QCOMPARE(good.received(), QStringList{});
    QCOMPARE(Sets(good.events()), QStringList{});
  }

  // On each link kind: a write leaves a backup of exactly what the printer held; restore (the
  // newest backup) sends exactly the write that brings it back, and once the printer has taken
  // it, the same backup again sends nothing. backups lists both backups, newest first.
  void backupAndRestore_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QStringList>("restoreEvents");
    const QStringList language = {"set code-page=0", "set code-page-name=Standard", "set charset=0", "set font-8x16="};
    QTest::newRow("tcp") << "--tcp"
                         << QStringList{"unlock", "set SW2=20", "set SW3=158", "set SW5=50"} + language +
                                QStringList{"lock", "unlock", "set SW4=40", "lock", "unlock", "set SW1=10", "lock"};
    const QStringList oneFrame = QStringList{"unlock", "set SW1=10", "set SW2=20", "set SW3=158", "set SW4=40", "set SW5=50"} +
                                 language + QStringList{"lock"};
    QTest::newRow("serial") << "--serial" << oneFrame;
    QTest::newRow("device") << "--device" << oneFrame;
  }
  void backupAndRestore() {
    QFETCH(QString, link);
    QFETCH(QStringList, restoreEvents);
    const bool tcp = link == "--tcp";
    const QString serial = QString("KS-%1").arg(QTest::currentDataTag());
    const QString state = dir_.filePath(QString("restore-%1.json").arg(QTest::currentDataTag()));
    std::vector<std::unique_ptr<Printer>> printers;
    const auto start = [&](const QStringList& args) {
      printers.push_back(std::make_unique<Printer>());
      Printer& p = *printers.back();
      if (!p.start(args + QStringList{"--state", state} + (tcp ? QStringList{"--tcp", "127.0.0.1:0"} : QStringList{"--pty", p.ptyPath()})))
        qWarning("%s", qPrintable(p.errorText()));
      return tcp ? p.tcp() : p.ptyPath();
    };
    const auto backupOf = [](const CliRun& run) {
      return QRegularExpression("Backup saved to (\\S+)").match(QString::fromUtf8(run.err)).captured(1);
    };
    QStringList targets = {start(kDrifted + QStringList{"--serial", serial})};
    QString target = targets.last();
    const CliRun write = RunSwctl({"write", "--switches", "10,20,30,40,50", "--code-page", "19", "--fast", link, target});
    QCOMPARE(write.exitCode, 0);
    const QString backup = backupOf(write);
    QVERIFY2(backup.startsWith(BackupsRoot() + "/" + serial + "/"), qPrintable(backup));
    QFile file(backup);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QJsonObject held = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(held.take("switches").toArray().size(), 40);
    QCOMPARE(held, (QJsonObject{{"ok", true}, {"model", QJsonObject{{"no", 9}, {"code", "RT5600"}}}, {"bytes", QJsonArray{10, 20, 158, 40, 50}},
                                {"printer", QJsonObject{{"codePage", "0  - Standard"}, {"internationalCharSet", "0 - U.S.A."},
                                                        {"new8x16Font", "OFF"}, {"serialNumber", serial}, {"firmwareRevision", "V1.05"}}},
                                {"unclean", QJsonArray{}}, {"link", target}}));
    printers.back()->stop();

    target = targets.emplace_back(start({}));  // the written values taken
    const CliRun restore = RunSwctl({"restore", "--fast", link, target});
    QCOMPARE(restore.errText(), kWarning + target + ": Restoring from " + backup + "\n" + target + ": Backup saved to BACKUP\n");
    QCOMPARE(restore.exitCode, 0);
    QCOMPARE(restore.outLines(), QStringList{target + ": changed: SW3-8 ON (Auto cutter - Disable) -> OFF (Auto cutter - Enable); "
                                                      "Code Page 19 - Multilingual(Euro) -> 0  - Standard"});
    QTRY_COMPARE(Sets(printers.back()->events()), restoreEvents);
    printers.back()->stop();

    target = start({});  // the restored values taken
    const CliRun again = RunSwctl({"restore", "--backup", backup, "--fast", link, target});
    QCOMPARE(again.errText(), target + ": Restoring from " + backup + "\n");
    QCOMPARE(again.outLines(), QStringList{target + ": unchanged"});
    QVERIFY(printers.back()->waitForEvent("query font-8x16"));
    QCOMPARE(Sets(printers.back()->events()), QStringList{});

    const QStringList listed = RunSwctl({"backups", serial}).outLines();
    QCOMPARE(listed.size(), 2);
    const QString line = "^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d UTC  %1  RT5600  " + serial + "  %2$";
    QVERIFY2(listed[0].contains(QRegularExpression(line.arg(QRegularExpression::escape(targets[1]), backupOf(restore)))), qPrintable(listed[0]));
    QVERIFY2(listed[1].contains(QRegularExpression(line.arg(QRegularExpression::escape(targets[0]), backup))), qPrintable(listed[1]));
  }

  // A backups folder that cannot be made (its path runs through a file): the write fails with
  // the reason and nothing is sent.
  void unwritableBackupFolder_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");  // %1 the link, %2 the file in the way
    const QString failed = "Write software switch FAILED: %1: backup not saved: %2: Not a directory; nothing written";
    QTest::newRow("write") << QStringList{"write", "--set", "SW3-8=ON"}
                           << "SW3-8: OFF -> ON (Auto cutter - Enable -> Auto cutter - Disable)\n" << failed + "\n";
    QTest::newRow("apply") << QStringList{"apply", "--from", "golden"} << "" << "%1: " + failed + "\n";
    QTest::newRow("restore") << QStringList{"restore", "--backup", "golden"} << "" << "%1: Restoring from golden\n%1: " + failed + "\n";
  }
  void unwritableBackupFolder() {
    QFETCH(QStringList, args);
    QFETCH(QString, out);
    QFETCH(QString, err);
    Printer drifted;
    QVERIFY2(drifted.start(kDrifted + QStringList{"--tcp", "127.0.0.1:0"}), qPrintable(drifted.errorText()));
    const QString file = dir_.filePath("in-the-way");
    QVERIFY(WriteFile(file, "x"));
    const CliRun run = RunSwctl(args.replaceInStrings("golden", profile_) + QStringList{"--backup-dir", file + "/backups", "--fast", "--tcp", drifted.tcp()});
    QCOMPARE(run.errText(), err.arg(drifted.tcp(), file).replace("golden", profile_));
    QCOMPARE(run.outText(), out);
    QCOMPARE(run.exitCode, 1);
    QVERIFY(drifted.waitForEvent("query font-8x16"));
    QCOMPARE(Sets(drifted.events()), QStringList{});
  }

  // 100 printers written at once, all with the same serial number: 100 distinct, complete backups
  // in its one folder.
  void hundredConcurrentBackups() {
    Printer fleet;
    QVERIFY2(fleet.start({"--count", "100", "--tcp", "127.0.0.1:0"}, 100), qPrintable(fleet.errorText()));
    const QString root = dir_.filePath("hundred");
    QStringList command = {"write", "--set", "SW3-8=OFF", "--fast", "--backup-dir", root};
    QSet<QString> links;
    for (int i = 0; i < 100; ++i) {
      command << "--tcp" << fleet.tcp(i);
      links << fleet.tcp(i);
    }
    const CliRun run = RunSwctl(command, 120000);
    QCOMPARE(run.exitCode, 0);
    const QDir folder(root + "/KS00000001");
    const QStringList names = folder.entryList(QDir::Files);
    QCOMPARE(names.size(), 100);
    QSet<QString> backedUp;
    for (const QString& name : names) {
      QFile file(folder.filePath(name));
      QVERIFY(file.open(QIODevice::ReadOnly));
      const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
      QCOMPARE(o.value("bytes").toArray(), (QJsonArray{0, 0, 0, 0, 0}));
      backedUp << o.value("link").toString();
    }
    QCOMPARE(backedUp, links);
  }

 private:
  QTemporaryDir dir_;
  QString profile_;
};

QTEST_GUILESS_MAIN(SwctlApplyTest)
#include "test_swctl_apply.moc"
