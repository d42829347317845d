// Write Settings, Self Test and Fonts Test from the window on each kind of link, checked in the
// simulated printer's log.
#include <QtTest>

#include <memory>
#include <mutex>
#include <utility>

#include <QComboBox>
#include <QListWidget>
#include <QRadioButton>
#include <QProcess>
#include <cerrno>

#include "app/radio_group.h"
#include "link/com_port_map.h"
#include "link/fake_usb_backend.h"
#include "model/debug_trace.h"
#include "model/switch_bank.h"
#include "window_fixture.h"

using kestrova::SwitchIndex;
using kestrova::sim::testing::LogEvents;
using kestrova::sim::testing::LogLines;
using kestrova::sim::testing::LogReceived;
using kestrova::sim::testing::SimProcess;

namespace {

struct Target {
  QString port;     // port selection text
  QStringList sim;  // link options of the simulator, besides its pty
  int com = 0;      // COM entry pointed at the simulator's pty; none for TCP/IP
};

// The simulator's events, without the link name and without queries, connects and disconnects.
QStringList Events(const QString& log) {
  QStringList events;
  for (const QString& event : LogEvents(log))
    if (!event.startsWith("query") && !event.startsWith("connect") && !event.startsWith("disconnect") &&
        !event.startsWith("listening"))
      events << event;
  return events;
}

// The events once the simulator has logged at least count of them (it may lag behind the window
// by a few milliseconds), or what it has after 3 s.
QStringList EventsOnceLogged(const QString& log, int count) {
  QElapsedTimer timer;
  timer.start();
  QStringList events = Events(log);
  while (events.size() < count && timer.elapsed() < 3000) {
    QTest::qWait(20);
    events = Events(log);
  }
  return events;
}

// A USB backend whose first enumeration throws (a std::exception, or an int).
std::function<std::unique_ptr<kestrova::UsbBackend>()> ThrowingUsbOnce(bool throwInt) {
  struct Throwing : kestrova::FakeUsbBackend {
    bool throwInt = false;
    bool thrown = false;
    std::vector<kestrova::UsbDeviceInfo> enumerate(kestrova::LinkError& error) override {
      if (!std::exchange(thrown, true)) {
        if (throwInt) throw 42;
        throw std::runtime_error("USB stack fell over");
      }
      return FakeUsbBackend::enumerate(error);
    }
  };
  return [throwInt] {
    auto backend = std::make_unique<Throwing>();
    backend->throwInt = throwInt;
    return std::unique_ptr<kestrova::UsbBackend>(std::move(backend));
  };
}

// Trace lines as they are sent, from any thread.
class Traces {
 public:
  Traces() {
    previous_ = kestrova::SetTraceSink([this](const std::string& line) {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_ << QString::fromStdString(line);
    });
  }
  ~Traces() { kestrova::SetTraceSink(previous_); }
  int count(const QString& prefix) const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const QString& line : lines_) n += line.startsWith(prefix);
    return n;
  }

 private:
  mutable std::mutex mutex_;
  QStringList lines_;
  kestrova::TraceSink previous_;
};

const QStringList kLanguageEvents = {"set code-page=17", "set code-page-name=Cyrillic", "set charset=3",
                                     "set font-8x16=ON"};

}  // namespace

class WindowOperationsTest : public QObject {
  Q_OBJECT

  // Starts the simulator for a target and reads it into a fresh window.
  bool readTarget(const Target& target, SimProcess& sim, WindowFixture& w) {
    QStringList args = {"--model", "RT5600", "--code-page", "17", "--charset", "3", "--font-8x16", "on"};
    if (target.com) args += QStringList{"--pty", sim.ptyPath()};
    if (!sim.startLogged(args + target.sim)) return false;
    if (target.com) kestrova::ComPortMap::instance().setOverride(target.com, sim.ptyPath().toStdString());
    w.open();
    if (target.port == "TCP/IP")
      w.setTcpTarget(sim.tcpPort());
    else
      w.selectPort(target.port);
    return w.read();
  }

  static Target TargetFor(const QString& port) {
    if (port == "TCP/IP") return {port, {"--tcp", "127.0.0.1:0"}, 0};
    return {port, {}, port == "COM3" ? 3 : 7};
  }

 private slots:
  void init() {
    if (!kestrova::sim::testing::SimBuilt()) QSKIP("kestrova-printer-sim not built");
  }
  void cleanup() { kestrova::ComPortMap::instance().clearOverrides(); }

  void writeOnEveryLink_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("sw3Command");  // the exact SW3 command on the path
    QTest::newRow("TCP/IP: main frame, then SW4 and SW1 frames")
        << "TCP/IP"
        << (QStringList{"unlock", "set SW2=0", "set SW3=128", "set SW5=0"} + kLanguageEvents +
            QStringList{"lock", "unlock", "set SW4=0", "lock", "unlock", "set SW1=0", "lock"})
        << "1d 67 38 29 31 32 38 00 00";
    const QStringList inOrder = QStringList{"unlock", "set SW1=0", "set SW2=0", "set SW3=128", "set SW4=0", "set SW5=0"} +
                                kLanguageEvents + QStringList{"lock"};
    QTest::newRow("COM3: serial component") << "COM3" << inOrder << "1d 67 38 29 31 32 38 00";
    QTest::newRow("COM7: device handle") << "COM7" << inOrder << "1d 67 38 29 31 32 38 00";
  }
  void writeOnEveryLink() {
    QFETCH(QString, port);
    QFETCH(QStringList, events);
    QFETCH(QString, sw3Command);
    SimProcess sim;
    const QString log = sim.logPath();
    WindowFixture w;
    QVERIFY(readTarget(TargetFor(port), sim, w));
    QVERIFY(!w.logLines().isEmpty());

    w.ui().switches[static_cast<std::size_t>(SwitchIndex(3, 8))]->item(1)->click();
    QCOMPARE(w.label(SwitchIndex(3, 8)), QString("Auto cutter - Enable"));  // RT5600 SW3-8 OFF
    QVERIFY(w.runOperation(w.ui().writeSW));

    QCOMPARE(w.notifier.messages.size(), std::size_t(2));
    QCOMPARE(QString::fromStdString(w.notifier.messages[0].text), QString("Don't let printer shut down when writing settings"));
    QCOMPARE(QString::fromStdString(w.notifier.messages[0].caption), QString("WARNNING"));
    QCOMPARE(QString::fromStdString(w.notifier.messages[1].text),
             QString("Write software switch settings OK, please reboot your printer"));
    QCOMPARE(QString::fromStdString(w.notifier.messages[1].caption), QString("FINISH"));
    QVERIFY(w.logLines().isEmpty());  // Write Settings empties the Log History
    QCOMPARE(EventsOnceLogged(log, int(events.size())), events);
    // The exact SW3 command, in the bytes received however they were split (no command begins with
    // 0x00, so a 0x00 after the command's own end would be part of it).
    const QString rx = LogReceived(log).join(' ') + ' ';
    QVERIFY2(rx.contains(sw3Command + ' ') && !rx.contains(sw3Command + " 00"), qPrintable(rx));
    // Buttons are back as the read left them.
    QVERIFY(w.ui().writeSW->isEnabled());
    QVERIFY(w.ui().readSW->isEnabled());
  }

  void testPrintsOnEveryLink_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("selfTestBytes");
    QTest::newRow("TCP/IP") << "TCP/IP" << "1d 28 41 02 00 00 02";
    QTest::newRow("COM3 as a device") << "COM3" << "1d 28 41 02 00 00 02 00";
    QTest::newRow("COM7 as a device") << "COM7" << "1d 28 41 02 00 00 02 00";
  }
  void testPrintsOnEveryLink() {
    QFETCH(QString, port);
    QFETCH(QString, selfTestBytes);
    SimProcess sim;
    const QString log = sim.logPath();
    WindowFixture w;
    QVERIFY(readTarget(TargetFor(port), sim, w));
    QVERIFY(w.runOperation(w.ui().selfTest));
    QVERIFY(w.runOperation(w.ui().fontTest));
    QVERIFY(w.notifier.messages.empty());  // test prints report nothing
    QCOMPARE(EventsOnceLogged(log, 8), (QStringList{"self-test", "font-test block 1", "font-test block 2", "font-test block 3",
                                       "font-test block 4", "font-test block 5", "font-test block 6",
                                       "font-test block 7"}));
    QVERIFY(LogReceived(log).join(' ').contains(selfTestBytes));
    QVERIFY(w.ui().selfTest->isEnabled());
  }

  // A write that cannot be sent is refused before the user is asked to keep the printer on.
  void writeRefusedForTypedCharset() {
    SimProcess sim;
    const QString log = sim.logPath();
    WindowFixture w;
    QVERIFY(readTarget(TargetFor("TCP/IP"), sim, w));
    w.ui().internationalCharSet->setEditText("3 - UK typed");
    w.ui().writeSW->click();
    QCOMPARE(w.notifier.messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(w.notifier.messages[0].text), QString("Write software switch FAILED"));
    QCOMPARE(QString::fromStdString(w.notifier.messages[0].caption), QString("WARNING"));
    QVERIFY(QString::fromStdString(w.notifier.messages[0].detail).contains("International Character Set"));
    QTest::qWait(300);
    QVERIFY(!Events(log).contains("unlock"));
  }

  // A printer whose replies lack their header: nothing of its read may be written back until the
  // user has set each value: all eight switches of every byte, a code page (which sets the
  // character set too) and the font.
  void uncleanValuesAreWrittenOnlyOnceTheUserSetThem() {
    SimProcess sim;
    const QString log = sim.logPath();
    WindowFixture w;
    QVERIFY(readTarget({"TCP/IP", {"--no-header", "--tcp", "127.0.0.1:0"}, 0}, sim, w));
    auto refusal = [&w] {
      w.notifier.messages.clear();
      w.ui().writeSW->click();
      if (w.notifier.messages.size() != 1 || w.notifier.messages[0].text != "Write software switch FAILED") return QString();
      return QString::fromStdString(w.notifier.messages[0].detail);
    };
    QCOMPARE(refusal(), QString("not read cleanly: SW1, SW2, SW3, SW4, SW5, Code Page, International Character Set, "
                                "New 8x16 Font; read the printer again"));
    for (int bit = 0; bit < 40; ++bit)
      if (bit != SwitchIndex(2, 8)) w.ui().switches[static_cast<std::size_t>(bit)]->item(bit % 2)->click();
    emit w.ui().selectNewFont->activated(1);
    QCOMPARE(refusal(), QString("not read cleanly: SW2, Code Page, International Character Set; read the printer again"));
    w.ui().switches[static_cast<std::size_t>(SwitchIndex(2, 8))]->item(0)->click();
    emit w.ui().selectCodePage->activated(17);
    QCOMPARE(refusal(), QString());  // the write goes out
    QSignalSpy finished(w.form.get(), &TForm2::operationFinished);
    QVERIFY(!finished.isEmpty() || finished.wait(15000));
    QCOMPARE(QString::fromStdString(w.notifier.messages.back().caption), QString("FINISH"));
    // 0b10101010 in every byte (the even-numbered switches clicked OFF), but SW2-8 ON.
    QCOMPARE(EventsOnceLogged(log, 3).mid(0, 3), (QStringList{"unlock", "set SW2=42", "set SW3=170"}));
  }

  // Exit while a write is under way: the window closes at once; the write still ends with Lock
  // (the printer is not left unlocked) and its connection is closed on the link thread.
  void exitDuringAWriteClosesAtOnce() {
    SimProcess sim;
    const QString log = sim.logPath();
    WindowFixture w;
    QVERIFY(readTarget(TargetFor("TCP/IP"), sim, w));
    w.fastClock.pauseInFull();  // the write's real pauses keep it under way
    w.ui().writeSW->click();
    QVERIFY(!EventsOnceLogged(log, 1).isEmpty());  // the write is on the wire
    QElapsedTimer timer;
    timer.start();
    w.ui().exit->click();
    QVERIFY2(timer.elapsed() < 300, QByteArray::number(timer.elapsed()));
    QVERIFY(!w.form->isVisible());
    QElapsedTimer closing;
    closing.start();
    QStringList lines;
    while (closing.elapsed() < 5000) {
      lines = LogLines(log);
      if (!lines.isEmpty() && lines.last().endsWith("event disconnect")) break;
      QTest::qWait(50);
    }
    QVERIFY2(lines.last().endsWith("event disconnect"), qPrintable(lines.join('\n')));
    QCOMPARE(Events(log).last(), QString("lock"));
    QCOMPARE(Events(log).count("lock"), 3);  // main frame, SW4 frame, SW1 frame
    // The write's end is not reported: the window has gone.
    QCOMPARE(w.notifier.messages.size(), std::size_t(1));
    w.form.reset();
  }

  // An exception nobody expected, in a link job or in an event handler: one box with its text, and
  // the window goes on reading.
  void unexpectedExceptionIsReportedOnce_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("text");     // the first box
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("detail");
    QTest::newRow("read job, std::exception") << "usb" << "Read software switch FAILED" << "WARNING"
                                              << "USB stack fell over";
    QTest::newRow("read job, other type") << "usb-int" << "Read software switch FAILED" << "WARNING" << "";
    QTest::newRow("event handler") << "handler" << "the message box could not be shown"
                                   << "Kestrova Software Switch Utility" << "";
  }
  void unexpectedExceptionIsReportedOnce() {
    QFETCH(QString, where);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    QFETCH(QString, detail);
    SimProcess sim;
    const QString log = sim.logPath();
    QVERIFY(sim.startLogged({"--model", "RT5600", "--tcp", "127.0.0.1:0"}));
    WindowFixture w;
    w.usbBackend = ThrowingUsbOnce(where == "usb-int");
    w.open();
    if (where == "handler") {
      w.setTcpTarget(sim.tcpPort());
      QVERIFY(w.read());
      w.notifier.throwOnCaption = "WARNNING";
      w.ui().writeSW->click();
    } else {
      QVERIFY(!w.read());  // USB is selected at start
    }
    QCOMPARE(w.notifier.messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(w.notifier.messages[0].text), text);
    QCOMPARE(QString::fromStdString(w.notifier.messages[0].caption), caption);
    QCOMPARE(QString::fromStdString(w.notifier.messages[0].detail), detail);
    QTest::qWait(300);
    QVERIFY(!Events(log).contains("unlock"));
    w.setTcpTarget(sim.tcpPort());
    QVERIFY(w.read());
    QCOMPARE(w.notifier.messages.size(), std::size_t(1));
  }

  // Which trace lines need debugmode.dat: a socket error, a test-print exception and a refused
  // write only with it; the connect thread's entry always.
  void traceLinesFollowDebugMode_data() {
    QTest::addColumn<bool>("debugMode");
    QTest::newRow("without debugmode.dat") << false;
    QTest::newRow("with debugmode.dat") << true;
  }
  void traceLinesFollowDebugMode() {
    QFETCH(bool, debugMode);
    kestrova::SetDebugMode(false);
    Traces traces;
    WindowFixture w;
    if (debugMode) QVERIFY(QFile(w.dir.filePath("debugmode.dat")).open(QIODevice::WriteOnly));
    w.usbBackend = ThrowingUsbOnce(false);
    w.open();
    w.setTcpTarget(kestrova::sim::testing::FreePort());
    QVERIFY(!w.read());
    QCOMPARE(traces.count("(ConnectThread)enter Execute()"), 1);
    QCOMPARE(traces.count(QString("(TcpClient1)errorcode = %1").arg(ECONNREFUSED)), debugMode ? 1 : 0);

    w.selectPort("USB");
    w.ui().selfTest->setEnabled(true);
    const std::size_t boxes = w.notifier.messages.size();
    QVERIFY(w.runOperation(w.ui().selfTest));
    QCOMPARE(traces.count("(SelfTest)USB stack fell over"), debugMode ? 1 : 0);
    QCOMPARE(w.notifier.messages.size(), boxes);  // a test print shows no box

    w.ui().internationalCharSet->setEditText("typed");
    w.ui().writeSW->setEnabled(true);
    w.ui().writeSW->click();
    QCOMPARE(traces.count("(WriteSW)"), debugMode ? 1 : 0);
    w.form.reset();
    kestrova::SetDebugMode(false);
  }

  // A profile saved after a read loads back into the controls (as if clicked, nothing sent); a
  // profile of another model or a broken file changes nothing; the command-line tool's JSON and
  // the window's profiles are one format.
  void profilesSaveLoadAndRefuse() {
    SimProcess sim;
    const QString log = sim.logPath();
    QVERIFY(sim.startLogged({"--model", "RT5600", "--switches", "1,2,40,128,255", "--code-page", "17", "--charset",
                             "3", "--font-8x16", "on", "--tcp", "127.0.0.1:0"}));
    WindowFixture w;
    w.open();
    QVERIFY(!w.ui().saveProfile->isEnabled() && !w.ui().loadProfile->isEnabled());
    w.setTcpTarget(sim.tcpPort());
    QVERIFY(w.read());
    QVERIFY(w.ui().saveProfile->isEnabled() && w.ui().loadProfile->isEnabled());
    const QString saved = w.dir.filePath("golden.json");
    QVERIFY(w.form->saveProfileTo(saved));
    auto shown = [&w] {
      QStringList state;
      for (int i = 0; i < kestrova::kSwitchBits; ++i)
        state << QString::number(w.ui().switches[static_cast<std::size_t>(i)]->itemIndex()) + " " + w.label(i);
      for (QComboBox* box : {w.ui().selectCodePage, w.ui().codePageName, w.ui().internationalCharSet, w.ui().selectNewFont})
        state << box->currentText();
      return state;
    };
    const QStringList afterRead = shown();

    // Everything changed by hand, then the profile loaded: the read's state again.
    for (auto* group : w.ui().switches) group->item(1 - group->itemIndex())->click();
    w.ui().selectCodePage->setCurrentIndex(0);
    w.ui().internationalCharSet->setCurrentIndex(0);
    w.ui().selectNewFont->setCurrentIndex(1);
    QVERIFY(shown() != afterRead);
    QVERIFY(w.form->loadProfileFrom(saved));
    QCOMPARE(shown(), afterRead);
    QVERIFY(w.notifier.messages.empty());

    // Refused files change nothing and say why.
    auto writeFile = [&w](const QString& name, const QByteArray& bytes) {
      QFile f(w.dir.filePath(name));
      if (f.open(QIODevice::WriteOnly)) f.write(bytes);
      return f.fileName();
    };
    QFile golden(saved);
    QVERIFY(golden.open(QIODevice::ReadOnly));
    QByteArray other = golden.readAll();
    other.replace("\"RT5600\"", "\"RT6100\"");
    other.replace("\"no\": 9", "\"no\": 4");
    for (auto [file, detail] : {std::pair{writeFile("other.json", other), QString("RT6100")},
                                std::pair{writeFile("broken.json", "{\n  \"model\": [\n"), QString("line")}}) {
      w.ui().switches[0]->item(1 - w.ui().switches[0]->itemIndex())->click();
      const QStringList before = shown();
      w.notifier.messages.clear();
      QVERIFY(!w.form->loadProfileFrom(file));
      QCOMPARE(shown(), before);
      QCOMPARE(w.notifier.messages.size(), std::size_t(1));
      QCOMPARE(QString::fromStdString(w.notifier.messages[0].text), QString("Profile not loaded"));
      QVERIFY2(QString::fromStdString(w.notifier.messages[0].detail).contains(detail),
               w.notifier.messages[0].detail.c_str());
    }

    // The command-line tool takes the window's profile, and the window takes its JSON.
    const QString swctl = qEnvironmentVariable("KESTROVA_BIN_DIR") + "/kestrova-swctl";
    const QString target = "127.0.0.1:" + QString::number(sim.tcpPort());
    QProcess cli;
    cli.start(swctl, {"read", "--tcp", target, "--json", "--fast"});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY(w.form->loadProfileFrom(writeFile("from-cli.json", cli.readAllStandardOutput())));
    QCOMPARE(shown(), afterRead);
    QVERIFY(!Events(log).contains("unlock"));  // loading sent nothing
    cli.start(swctl, {"write", "--tcp", target, "--from", saved});
    QVERIFY(cli.waitForFinished(30000));
    QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());

    // The Log History as a text file, line ends as shown.
    QVERIFY(w.read());
    const QString logFile = w.dir.filePath("log.txt");
    QVERIFY(w.form->saveLogTo(logFile));
    QFile text(logFile);
    QVERIFY(text.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLatin1(text.readAll()), w.logLines().join(QString()));
  }

  void pickingACodePageFollowsWithNameAndCharset() {
    WindowFixture w;
    w.open();
    auto* codePage = w.ui().selectCodePage;
    codePage->setCurrentIndex(1);
    emit codePage->activated(1);
    QCOMPARE(w.ui().codePageName->currentText(), QString("Katakana Japanese"));
    QCOMPARE(w.ui().internationalCharSet->currentText(), QString("8 - Japan"));
    codePage->setCurrentIndex(17);
    emit codePage->activated(17);
    QCOMPARE(w.ui().codePageName->currentText(), QString("Thai character code page 14"));
    QCOMPARE(w.ui().internationalCharSet->currentText(), QString("0 - U.S.A."));
  }

  void clickBeforeAnyReadBlanksTheLabel() {
    WindowFixture w;
    w.open();
    w.ui().switches[0]->item(0)->click();
    QCOMPARE(w.label(0), QString());
  }
};

QTEST_MAIN(WindowOperationsTest)
#include "test_window_operations.moc"
