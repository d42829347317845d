// The fault matrix in kestrova-swctl: every row of every link kind, each against a simulated
// printer of its own. The rows run a few at a time (initTestCase), then each is checked as one row
// of the table: exit status, exactly one failure line, the output, the time, what the printer took.
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonObject>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "cli_harness.h"
#include "fault_matrix.h"

using namespace kestrova::reliability;
using kestrova::cli::testing::CliRun;
using kestrova::cli::testing::FreePort;
using kestrova::cli::testing::JsonObjectOf;
using kestrova::cli::testing::Printer;
using kestrova::cli::testing::ProgramsBuilt;
using kestrova::cli::testing::RunSwctl;

namespace {

constexpr int kConcurrentRows = 6;
constexpr int kStartSlackMs = 1000;  // starting the program, beyond the row's limit
const char* const kWriteOk = "Write software switch settings OK, please reboot your printer";
const char* const kWarning = "Don't let printer shut down when writing settings";

struct RowRun {
  FaultRow row;
  QString error;          // the row could not be set up
  QString link;           // the link as given to the tool
  CliRun run;
  QStringList writeEvents;  // what the printer took of a write
};

std::vector<FaultRow> AllLinkRows() {
  std::vector<FaultRow> rows;
  for (Link link : {Link::Tcp, Link::Serial, Link::Device})
    for (const FaultRow& r : Rows(link)) rows.push_back(r);
  return rows;
}

QStringList ArgsFor(const FaultRow& r, const QString& link) {
  QStringList args;
  switch (r.expect) {
    case Expect::ReadOkNoSwitches: args = {"write"}; break;  // the values read, unchanged
    case Expect::ReadOkShifted: args = {"write", "--set", "SW3-8=OFF"}; break;
    case Expect::WriteOk:
    case Expect::WriteCut: args = {"write", "--switches", "1,2,3,4,5"}; break;  // as read
    default: args = {"read", "--json"}; break;
  }
  switch (r.link) {
    case Link::Tcp: args << "--tcp" << link; break;
    case Link::Serial: args << "--serial" << link; break;
    case Link::Device: args << "--device" << link; break;
  }
  return args;
}

// Waits until the printer has taken everything the tool sent. Over TCP/IP the tool's hang-up
// comes after its last byte. A pty has no hang-up, so a marker written after the tool ended is
// the printer's last event; a printer that closed the pty itself has taken all it ever will.
bool WaitUntilTaken(const Printer& printer, Link link) {
  constexpr int kTakeMs = 3000;
  if (link == Link::Tcp) return printer.waitForEvent("disconnect", kTakeMs);
  const int fd = ::open(qPrintable(printer.ptyPath()), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  const bool marked = fd >= 0 && ::write(fd, "\xA5\xA5", 2) == 2;
  if (fd >= 0) ::close(fd);
  QDeadlineTimer deadline(kTakeMs);
  for (;;) {
    const QStringList events = printer.events();
    if ((marked && events.contains("ignored a5 a5")) || events.contains("disconnect")) return true;
    if (deadline.hasExpired()) return false;
    QThread::msleep(20);
  }
}

void RunRow(RowRun& out) {
  const FaultRow& r = out.row;
  Printer printer;
  QString link;
  if (r.port == Port::Simulator || r.port == Port::Held) {
    QStringList args = CommonSimArgs() + r.simArgs;
    args += r.link == Link::Tcp ? QStringList{"--tcp", "127.0.0.1:0"} : QStringList{"--pty", printer.ptyPath()};
    if (!printer.start(args)) {
      out.error = printer.errorText();
      return;
    }
    link = r.link == Link::Tcp ? printer.tcp() : printer.ptyPath();
  }
  // Held the way another program holds a port: open and locked for exclusive use.
  const int held = r.port == Port::Held ? ::open(qPrintable(printer.ptyPath()), O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
  const auto release = qScopeGuard([held] { if (held >= 0) ::close(held); });
  if (r.port == Port::Held && (held < 0 || ::flock(held, LOCK_EX | LOCK_NB) != 0)) {
    out.error = "cannot hold the port";
    return;
  }
  if (r.port == Port::Refused) link = QStringLiteral("127.0.0.1:%1").arg(FreePort());
  if (r.port == Port::Absent) link = "/dev/kestrova-no-such-port";
  out.link = link;
  out.run = RunSwctl(ArgsFor(r, link), r.limitMs * 2 + 5000);
  if (r.port == Port::Simulator && (r.expect == Expect::WriteOk || r.expect == Expect::WriteCut ||
                                    r.expect == Expect::ReadOkNoSwitches || r.expect == Expect::ReadOkShifted)) {
    if (!WaitUntilTaken(printer, r.link)) out.error = "the printer did not take what the tool sent";
    out.writeEvents = WriteEvents(printer.events());
  }
}

std::vector<RowRun>& Runs() {
  static std::vector<RowRun> runs;
  return runs;
}

QStringList ErrLines(const CliRun& run) {
  QStringList lines = run.errText().split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

QList<QVariant> Bytes(const QJsonObject& o) { return o.value("bytes").toArray().toVariantList(); }

// The one failure line of the rows whose cause is certain; %1 is the link.
const QHash<QString, QString>& Causes() {
  static const QString unrecognised = "Read software switch FAILED: %1: model name not recognised after 3 attempts";
  static const QString noValidReply = "Read software switch FAILED: %1: no valid reply to any query";
  static const QString busy = "Read software switch FAILED: %1: busy: held by another program (a print spooler or a modem manager)";
  static const QString absent = "Read software switch FAILED: %1: no such port";
  static const QHash<QString, QString> causes = {
      {"tcp/silent", unrecognised}, {"tcp/unknown", unrecognised}, {"tcp/garbage", unrecognised},
      {"tcp/drop-1", "Read software switch FAILED: %1: query 2 not sent: %1: connection closed"},
      {"tcp/drop-5", "Read software switch FAILED: %1: query 6 not sent: %1: connection closed"},
      {"tcp/drop-12", "Read software switch FAILED: %1: query 13 not sent: %1: connection closed"},
      {"tcp/drop-20", "Write software switch FAILED: %1: SW3 not sent in full: %1: connection closed; Lock not sent: the link is closed"},
      {"tcp/refused", "Read software switch FAILED: %1: connection refused"},
      {"serial/silent", unrecognised}, {"serial/unknown", unrecognised}, {"serial/garbage", unrecognised},
      {"serial/absent", absent}, {"serial/held", busy},
      {"device/silent", noValidReply}, {"device/no-header", noValidReply}, {"device/garbage", noValidReply},
      {"device/drop-1", "Read software switch FAILED: %1: link lost at query 3: %1: Input/output error"},
      {"device/drop-5", "Read software switch FAILED: %1: link lost at query 7: %1: Input/output error"},
      {"device/drop-12", "Read software switch FAILED: %1: link lost at query 14: %1: Input/output error"},
      {"device/drop-20", "Write software switch FAILED: %1: SW2 not sent in full: %1: Input/output error; Lock not sent: %1: Input/output error"},
      {"device/absent", absent}, {"device/held", busy},
  };
  return causes;
}

}  // namespace

class FaultMatrixCli : public QObject {
  Q_OBJECT

  void expectReadFailed(const CliRun& run) {
    QCOMPARE(run.exitCode, 1);
    const QStringList err = ErrLines(run);
    QCOMPARE(err.size(), 1);
    QVERIFY2(err[0].startsWith("Read software switch FAILED: "), qPrintable(err[0]));
    const QJsonObject o = JsonObjectOf(run.out.trimmed());
    QCOMPARE(o.value("ok").toBool(true), false);
    QCOMPARE(o.value("error").toString(), QString("Read software switch FAILED"));
  }

  // A write refused before anything was sent: no warning, one line naming every value it would
  // have written back.
  void expectRefused(const CliRun& run, const QString& link) {
    QCOMPARE(ErrLines(run),
             QStringList{"Write software switch FAILED: " + link +
                         ": not read cleanly: SW1, SW2, SW3, SW4, SW5, Code Page, International Character Set, "
                         "New 8x16 Font; read the printer again; nothing written"});
    QCOMPARE(run.outText(), QString());
  }

  // A successful read --json; returns its object.
  QJsonObject expectReadOk(const CliRun& run) {
    if (run.exitCode != 0 || !run.err.isEmpty()) {
      QTest::qFail(qPrintable(QString("exit %1: %2").arg(run.exitCode).arg(run.errText())), __FILE__, __LINE__);
      return {};
    }
    return JsonObjectOf(run.out.trimmed());
  }

 private slots:
  void initTestCase() {
    if (!ProgramsBuilt()) QSKIP("kestrova-swctl or kestrova-printer-sim not built");
    std::vector<RowRun>& runs = Runs();
    for (const FaultRow& r : AllLinkRows()) runs.push_back({r, {}, {}, {}, {}});
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < kConcurrentRows; ++i)
      workers.emplace_back([&] {
        for (std::size_t k = next++; k < runs.size(); k = next++) RunRow(runs[k]);
      });
    for (std::thread& t : workers) t.join();
  }

  void matrix_data() {
    QTest::addColumn<int>("row");
    const auto rows = AllLinkRows();
    for (std::size_t i = 0; i < rows.size(); ++i) QTest::newRow(rows[i].name) << static_cast<int>(i);
  }

  void matrix() {
    QFETCH(int, row);
    const RowRun& rr = Runs()[static_cast<std::size_t>(row)];
    const FaultRow& r = rr.row;
    const CliRun& run = rr.run;
    QVERIFY2(rr.error.isEmpty(), qPrintable(rr.error));
    QVERIFY2(run.finished, "kestrova-swctl did not end");
    QVERIFY2(run.exitCode == 0 || run.exitCode == 1, qPrintable(QString("exit %1").arg(run.exitCode)));
    QVERIFY2(run.elapsedMs <= r.limitMs + kStartSlackMs, qPrintable(QString("took %1 ms").arg(run.elapsedMs)));

    if (Causes().contains(r.name)) QCOMPARE(ErrLines(run).last(), Causes()[r.name].arg(rr.link));
    const QString tail = r.link == Link::Device ? " " : "";
    switch (r.expect) {
      case Expect::ReadFailed: expectReadFailed(run); break;
      case Expect::ReadOk: {
        const QJsonObject o = expectReadOk(run);
        QCOMPARE(o.value("ok").toBool(), true);
        QCOMPARE(o.value("log").toVariant().toStringList(), ExpectedLog());
        QCOMPARE(Bytes(o), (QList<QVariant>{1, 2, 3, 4, 5}));
        QCOMPARE(o.value("unclean").toArray(), QJsonArray());
        const QJsonObject p = o.value("printer").toObject();
        QCOMPARE(p.value("modelName").toString(), "RT-5600" + tail);
        QCOMPARE(p.value("firmwareRevision").toString(), "V1.05" + tail);
        QCOMPARE(p.value("serialNumber").toString(), "KS00000001" + tail);
        break;
      }
      case Expect::ReadOkNoSwitches:  // a write of the values read, unchanged
      case Expect::ReadOkShifted:
        // The read fails, or its values are refused; nothing is written.
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(rr.writeEvents, QStringList());
        if (ErrLines(run).value(0).startsWith("Read software switch FAILED: ")) {
          QCOMPARE(ErrLines(run).size(), 1);
          break;
        }
        expectRefused(run, rr.link);
        break;
      case Expect::ReadOkPadded:
      case Expect::ReadOkOverlong: {
        // Serial: each value followed by '#', cut to what a 128-byte reply buffer holds. TCP/IP
        // and device handle: the rest of a reply is dropped before the next query, so a field
        // shows the start of its own reply, or what of it came late; the read is out of step.
        const QJsonObject o = expectReadOk(run);
        const QJsonObject p = o.value("printer").toObject();
        QVERIFY(p.value("modelName").toString().startsWith("RT-5600#"));
        if (r.expect == Expect::ReadOkPadded) QCOMPARE(p.value("modelName").toString().size(), 126);
        QVERIFY(PaddedOrLeftover(p.value("firmwareRevision").toString().trimmed(), "V1.05"));
        QVERIFY(PaddedOrLeftover(p.value("serialNumber").toString().trimmed(), "KS00000001"));
        const auto bytes = Bytes(o);
        QCOMPARE(bytes.size(), 5);
        for (int n = 1; n <= 5; ++n)
          QVERIFY2(bytes[n - 1].isNull() || bytes[n - 1].toInt() == n, qPrintable(QString("SW%1").arg(n)));
        if (r.expect == Expect::ReadOkOverlong) QCOMPARE(o.value("unclean").toArray().size(), 18);
        break;
      }
      case Expect::ReadOkUnknownModel: {
        const QJsonObject o = expectReadOk(run);
        QCOMPARE(o.value("model").toObject().value("no").toInt(-1), 0);
        QCOMPARE(o.value("printer").toObject().value("modelName").toString(), QString("XY-1234 "));
        QCOMPARE(o.value("switches").toArray().at(0).toObject().value("definition").toString(), QString("Reserve"));
        QCOMPARE(Bytes(o), (QList<QVariant>{1, 2, 3, 4, 5}));
        QCOMPARE(o.value("unclean").toArray(), QJsonArray{"modelName"});
        break;
      }
      case Expect::WriteOk: {
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(ErrLines(run), (QStringList{kWarning, "Backup saved to BACKUP"}));
        QCOMPARE(run.outLines(), (QStringList{"No change: the values read were written back", kWriteOk}));
        QCOMPARE(rr.writeEvents, ExpectedWriteEvents(r.link));
        break;
      }
      case Expect::WriteCut: {
        QCOMPARE(run.exitCode, 1);
        const QStringList err = ErrLines(run);
        QCOMPARE(err.size(), 3);
        QCOMPARE(err[0], QString(kWarning));
        QCOMPARE(err[1], QString("Backup saved to BACKUP"));
        QVERIFY2(err[2].startsWith("Write software switch FAILED: "), qPrintable(err[2]));
        QVERIFY(!run.outText().contains(kWriteOk));
        QVERIFY2(!rr.writeEvents.contains("lock"), qPrintable(rr.writeEvents.join(", ")));
        QVERIFY(!rr.writeEvents.isEmpty() && rr.writeEvents.first() == "unlock");
        break;
      }
    }
  }
};

QTEST_GUILESS_MAIN(FaultMatrixCli)
#include "test_fault_matrix_cli.moc"
