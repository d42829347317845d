// The window end to end against the simulated printer: the start-up state, a read over each link
// kind, one box per kind of failed read, Write Settings and the test prints on each link kind, a
// write refused until the user set what the read did not get cleanly, Exit during a write, and
// profiles.
#include <QtTest>

#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QRadioButton>
#include <memory>

#include "app/radio_group.h"
#include "link/com_port_map.h"
#include "link/fake_usb_backend.h"
#include "model/debug_trace.h"
#include "model/printer_record.h"
#include "model/switch_bank.h"
#include "window_fixture.h"

using kestrova::RecordField;
using kestrova::SwitchIndex;
using kestrova::sim::testing::FreePort;
using kestrova::sim::testing::LogEvents;
using kestrova::sim::testing::LogLines;
using kestrova::sim::testing::LogReceived;
using kestrova::sim::testing::SimProcess;

namespace {

const QStringList kRt5600Log = {
    "Read Model Name = RT-5600\r\n",          "Read Software Switch 1 = 0\r\n",
    "Read Software Switch 2 = 0\r\n",         "Read Software Switch 3 = 128\r\n",
    "Read Software Switch 4 = 0\r\n",         "Read Software Switch 5 = 0\r\n",
    "Read Firmware Revision = V1.05\r\n",     "Read Hours Powered = 1234\r\n",
    "Read Cut Paper Count = 5678\r\n",        "Read Installation Date = 2025-01-15\r\n",
    "Read Failed Paper Cut = 0\r\n",          "Read Line Printed = 98765\r\n",
    "Read Serial Number = KS00000001\r\n",    "Read Language Model = ENG\r\n",
    "Read Font ROM = ANK\r\n",                "Read Code Page = 17\r\n",
    "Read International Character Set = 3\r\n", "Read New 8x16 Font = ON\r\n",
};

const QStringList kRt5600Args = {"--model", "RT5600", "--switches", "0,0,128,0,0", "--code-page", "17",
                                 "--charset", "3", "--font-8x16", "on"};

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

const QStringList kLanguageEvents = {"set code-page=17", "set code-page-name=Cyrillic", "set charset=3",
                                     "set font-8x16=ON"};

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

  void expectReadDone(WindowFixture& w) {
    QVERIFY(w.ui().readSW->isEnabled());
    QVERIFY(w.ui().writeSW->isEnabled());
    QVERIFY(w.ui().selfTest->isEnabled());
    QVERIFY(w.ui().fontTest->isEnabled());
    QVERIFY(!w.ui().portSelection->isEnabled());
    QVERIFY(w.ui().saveProfile->isEnabled() && w.ui().loadProfile->isEnabled());
    QCOMPARE(w.ui().progress->value(), 100);
    QVERIFY(!w.form->watchdogRunning());
    QVERIFY(w.notifier.messages.empty());
  }

  void expectOneFailure(WindowFixture& w, const char* text) {
    QCOMPARE(w.notifier.messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(w.notifier.messages[0].text), QString(text));
    QCOMPARE(QString::fromStdString(w.notifier.messages[0].caption), QString("WARNING"));
    QCOMPARE(w.notifier.messages[0].icon, kestrova::MessageIcon::Warning);
    QVERIFY(w.ui().readSW->isEnabled());
    QVERIFY(!w.ui().writeSW->isEnabled());
    QVERIFY(!w.ui().selfTest->isEnabled());
    QVERIFY(!w.ui().fontTest->isEnabled());
    QVERIFY(w.ui().portSelection->isEnabled());
    QCOMPARE(w.ui().progress->value(), 0);
    w.expectNoLaterBox(1);
  }

  // Starts the simulator behind a port selection ("TCP/IP", or a COM entry pointed at its pty) and
  // reads it into a fresh window.
  // baud: a printer that answers only at that speed, chosen in the window before the read.
  bool readTarget(const QString& port, SimProcess& sim, WindowFixture& w,
                  QStringList args = {"--model", "RT5600", "--code-page", "17", "--charset", "3", "--font-8x16", "on"},
                  int baud = 0) {
    const int com = port.startsWith("COM") ? port.mid(3).toInt() : 0;
    if (baud) args << "--baud" << QString::number(baud);
    if (!sim.startLogged(args + (com ? QStringList{"--pty", sim.ptyPath()} : QStringList{"--tcp", "127.0.0.1:0"}))) return false;
    if (com) kestrova::ComPortMap::instance().setOverride(com, sim.ptyPath().toStdString());
    w.open();
    for (std::size_t i = 0; baud && i < kestrova::kBaudRates.size(); ++i)
      if (kestrova::kBaudRates[i] == baud) w.ui().baudRates[i]->click();
    com ? w.selectPort(port) : w.setTcpTarget(sim.tcpPort());
    return w.read();
  }

 private slots:
  void init() {
    if (!kestrova::sim::testing::SimBuilt()) QSKIP("kestrova-printer-sim not built");
  }
  void cleanup() { kestrova::ComPortMap::instance().clearOverrides(); }

  void startUpState() {
    WindowFixture w;
    w.open();
    QCOMPARE(w.form->windowTitle(), QString("Kestrova Software Switch Utility v" KESTROVA_VERSION));
    QCOMPARE(w.form->size(), QSize(790, 612));
    QCOMPARE(w.ui().portSelection->currentText(), QString("USB"));
    QCOMPARE(w.ui().portSelection->count(), 22);
    QVERIFY(w.ui().usbSettings->isVisibleTo(w.form.get()));
    QVERIFY(!w.ui().tcpSettings->isVisibleTo(w.form.get()));
    QCOMPARE(w.ui().modelList->currentText(), QString("RT5600"));
    QCOMPARE(int(w.form->selectedModelNo()), 9);
    QCOMPARE(w.ui().port->text(), QString("9100"));
    QCOMPARE(w.ui().ipAddress->text(), QString("192.168.192.168"));
    // Only a read and a choice of port can be made before a read.
    QCOMPARE(QList<bool>({w.ui().readSW->isEnabled(), w.ui().portSelection->isEnabled(), w.ui().writeSW->isEnabled(),
                          w.ui().selfTest->isEnabled(), w.ui().fontTest->isEnabled(), w.ui().saveProfile->isEnabled(),
                          w.ui().loadProfile->isEnabled()}),
             QList<bool>({true, true, false, false, false, false, false}));
    QCOMPARE(w.label(0), QString("NULL"));
    QFile saved(w.dir.filePath("modelno.dat"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("6"));
    // COM entries name their device node.
    QCOMPARE(w.ui().portSelection->itemData(2, Qt::ToolTipRole).toString(), QString("/dev/ttyUSB0"));
    w.selectPort("COM5");
    QVERIFY(w.ui().comSettings->isVisibleTo(w.form.get()));
    QVERIFY(w.ui().comDevice->text().contains("/dev/ttyACM0"));
    // The device line is shown under the three groups of serial settings, as wide as all three.
    const QRect device = w.ui().comDevice->geometry(), parity = w.ui().parity->geometry();
    const QRect baud = w.ui().baudRates[0]->parentWidget()->geometry();
    QVERIFY(w.ui().comDevice->isVisibleTo(w.form.get()));
    QVERIFY2(device.top() >= std::max(baud.bottom(), parity.bottom()) && device.left() <= baud.left() + 2 &&
                 device.right() >= parity.right() - 2,
             qPrintable(QString("device %1,%2 %3x%4").arg(device.x()).arg(device.y()).arg(device.width()).arg(device.height())));
  }

  // A read over each link kind: the Log History, the fields (a blank after each reply value over
  // the device handle) and the switch texts of the model read.
  void read_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<QStringList>("sim");
    QTest::addColumn<QStringList>("expected");  // model name, serial number, SW1-1, SW3-8, active model
    const QStringList rt5600 = {"RT-5600", "KS00000001", "Baud Rate - 38400", "Auto cutter - Enable", "9"};
    QTest::newRow("TCP/IP") << "TCP/IP" << kRt5600Args << rt5600;
    QTest::newRow("COM3: serial component") << "COM3" << kRt5600Args << rt5600;
    // A KD250 waits a second before every query after the name: a clock pause.
    QTest::newRow("COM7: device handle, KD250") << "COM7" << QStringList{"--model", "KD250", "--switches", "3,0,0,0,0"}
                                                << QStringList{"KD250 ", "KS00000001 ", "Interface - WiFi", "Print Density - null", "8"};
  }
  void read() {
    QFETCH(QString, port);
    QFETCH(QStringList, sim);
    QFETCH(QStringList, expected);
    SimProcess printer;
    WindowFixture w;
    // The serial component reads at the speed the window's radio button chose.
    QVERIFY(readTarget(port, printer, w, sim, port == "COM3" ? 19200 : 0));
    expectReadDone(w);
    QCOMPARE(w.field(RecordField::ModelName), expected[0]);
    QCOMPARE(w.field(RecordField::SerialNumber), expected[1]);
    QCOMPARE(w.label(SwitchIndex(1, 1)), expected[2]);
    QCOMPARE(w.label(SwitchIndex(3, 8)), expected[3]);
    QCOMPARE(int(w.form->activeModelNo()), expected[4].toInt());
    if (expected[0] != "RT-5600") return;
    QCOMPARE(w.logLines(), kRt5600Log);
    QCOMPARE(w.field(RecordField::Frwv), QString("V1.05"));
    QCOMPARE(w.field(RecordField::CodePage), QString("17 - Cyrillic"));
    QCOMPARE(w.field(RecordField::InternationalCharSet), QString("3 - U.K."));
    QCOMPARE(w.field(RecordField::New8x16Font), QString("ON"));
    QCOMPARE(w.field(RecordField::PrintDensity), QString("Undefined"));
    QCOMPARE(w.ui().codePageName->currentText(), QString("Cyrillic"));
    QCOMPARE(w.label(SwitchIndex(5, 1)), QString("Reserve"));
    QCOMPARE(w.ui().ipAddress->isEnabled(), port != "TCP/IP");
  }

  // One box per kind of failed read, reported before the watchdog's time is up where the port
  // cannot be had at all; the window is ready for the next read.
  void readFailure_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<QStringList>("sim");  // the simulator's options; none: no simulator
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("detail");
    QTest::newRow("refused") << "TCP/IP" << QStringList{} << "Read software switch FAILED" << "refused";
    QTest::newRow("silent") << "TCP/IP" << QStringList{"--silent", "--tcp", "127.0.0.1:0"} << "Read software switch FAILED"
                            << "model name not recognised";
    QTest::newRow("absent COM2") << "COM2" << QStringList{} << "Read software switch FAILED" << "no such port";
    QTest::newRow("no USB printer") << "USB" << QStringList{} << "Open usb FAILED" << "USB: no supported printer found";
  }
  void readFailure() {
    QFETCH(QString, port);
    QFETCH(QStringList, sim);
    QFETCH(QString, box);
    QFETCH(QString, detail);
    SimProcess printer;
    if (!sim.isEmpty()) QVERIFY(printer.start(sim));
    kestrova::ComPortMap::instance().setOverride(2, "/dev/kestrova-no-such-port");
    WindowFixture w;
    w.open();
    if (port == "TCP/IP")
      w.setTcpTarget(sim.isEmpty() ? FreePort() : printer.tcpPort());
    else
      w.selectPort(port);
    QVERIFY(!w.read());
    expectOneFailure(w, qPrintable(box));
    QVERIFY2(QString::fromStdString(w.notifier.messages[0].detail).contains(detail), w.notifier.messages[0].detail.c_str());
  }

  // An exception nobody expected in a read's link job: one box with its text, and the window
  // reads on.
  void unexpectedExceptionIsReportedOnce() {
    struct Throwing : kestrova::FakeUsbBackend {
      bool thrown = false;
      std::vector<kestrova::UsbDeviceInfo> enumerate(kestrova::LinkError& error) override {
        if (!std::exchange(thrown, true)) throw std::runtime_error("USB stack fell over");
        return FakeUsbBackend::enumerate(error);
      }
    };
    WindowFixture w;
    w.usbBackend = [] { return std::unique_ptr<kestrova::UsbBackend>(std::make_unique<Throwing>()); };
    w.open();
    QVERIFY(!w.read());
    expectOneFailure(w, "Read software switch FAILED");
    QCOMPARE(w.notifier.messages[0].detail, std::string("USB stack fell over"));
    QVERIFY(!w.read());  // the next read runs: no printer this time
    QCOMPARE(w.notifier.messages.back().text, std::string("Open usb FAILED"));
  }

  // In debug mode the socket's error is traced when the printer drops the connection mid-read.
  void droppedConnectionIsTraced() {
    SimProcess sim;
    QVERIFY(sim.start({"--drop-after", "5", "--tcp", "127.0.0.1:0"}));
    QStringList traces;  // filled on the link thread; read once the sink is gone
    kestrova::SetDebugMode(true);
    const kestrova::TraceSink previous =
        kestrova::SetTraceSink([&traces](const std::string& line) { traces << QString::fromStdString(line); });
    WindowFixture w;
    w.open();
    w.setTcpTarget(sim.tcpPort());
    QVERIFY(!w.read());
    kestrova::SetTraceSink(previous);
    kestrova::SetDebugMode(false);
    QVERIFY2(!traces.filter(QRegularExpression("^\\(TcpClient1\\)errorcode = \\d+$")).isEmpty(), qPrintable(traces.join('\n')));
  }

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
    QVERIFY(readTarget(port, sim, w));
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
    // Write Settings empties the Log History, then names the backup of what the read got.
    const QString folder = w.dir.filePath("kestrova-swutil/backups/KS00000001/");
    QCOMPARE(w.logLines().size(), 1);
    const QString backup = w.logLines()[0].mid(16).chopped(2);
    QCOMPARE(w.logLines()[0], "Backup saved to " + backup + "\r\n");
    QVERIFY2(backup.startsWith(folder), qPrintable(backup));
    QFile file(backup);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject held = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(held["bytes"].toArray(), (QJsonArray{0, 0, 0, 0, 0}));  // as read, not as clicked
    QCOMPARE(held["link"].toString(), port == "TCP/IP" ? QString("127.0.0.1:%1").arg(sim.tcpPort()) : port);
    QCOMPARE(held["printer"]["codePage"].toString(), QString("17 - Cyrillic"));
    QVERIFY(w.form->loadProfileFrom(backup));  // a backup is a profile
    QCOMPARE(EventsOnceLogged(log, int(events.size())), events);
    // The exact SW3 command, in the bytes received however they were split (no command begins with
    // 0x00, so a 0x00 after the command's own end would be part of it).
    const QString rx = LogReceived(log).join(' ') + ' ';
    QVERIFY2(rx.contains(sw3Command + ' ') && !rx.contains(sw3Command + " 00"), qPrintable(rx));
    // Buttons are back as the read left them.
    QVERIFY(w.ui().writeSW->isEnabled());
    QVERIFY(w.ui().readSW->isEnabled());
  }

  // With no backup folder to be had, Write Settings sends nothing and says why.
  void writeWithoutBackupSendsNothing() {
    SimProcess sim;
    WindowFixture w;
    QVERIFY(readTarget("TCP/IP", sim, w));
    const QString file = w.dir.filePath("in-the-way");
    QFile(file).open(QIODevice::WriteOnly);
    qputenv("XDG_STATE_HOME", file.toLocal8Bit());
    w.ui().writeSW->click();
    QCOMPARE(w.notifier.messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(w.notifier.messages[0].text), QString("Write software switch FAILED"));
    QCOMPARE(QString::fromStdString(w.notifier.messages[0].detail), "backup not saved: " + file + ": Not a directory; nothing written");
    QVERIFY(w.ui().writeSW->isEnabled());  // no write job was started
    QCOMPARE(Events(sim.logPath()), QStringList{});
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
    QVERIFY(readTarget(port, sim, w));
    QVERIFY(w.runOperation(w.ui().selfTest));
    QVERIFY(w.runOperation(w.ui().fontTest));
    QVERIFY(w.notifier.messages.empty());  // test prints report nothing
    QCOMPARE(EventsOnceLogged(log, 8), (QStringList{"self-test", "font-test block 1", "font-test block 2", "font-test block 3",
                                       "font-test block 4", "font-test block 5", "font-test block 6",
                                       "font-test block 7"}));
    QVERIFY(LogReceived(log).join(' ').contains(selfTestBytes));
    QVERIFY(w.ui().selfTest->isEnabled());
  }

  // Profiles and the Log History as files. A profile saved after a read that did not get every
  // value cleanly keeps them marked, and Load Profile refuses it: a Write Settings afterwards sends
  // the values of the printer read, nothing of the file. The log is saved as shown.
  void profilesAndLog() {
    SimProcess flaky, good;
    WindowFixture w;
    QVERIFY(readTarget("TCP/IP", flaky, w, {"--model", "RT5600", "--switches", "9,9,9,9,9", "--overlong", "40"}));
    // Write Settings refuses the values not read cleanly before the warning; nothing is sent.
    w.ui().writeSW->click();
    QCOMPARE(w.notifier.messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(w.notifier.messages[0].text + "/" + w.notifier.messages[0].detail),
             QString("Write software switch FAILED/not read cleanly: SW1, SW2, SW3, SW4, SW5, Code Page, International "
                     "Character Set, New 8x16 Font; read the printer again"));
    QVERIFY(flaky.events().filter(QRegularExpression("^(unlock|set )")).isEmpty());
    w.notifier.messages.clear();
    const QString flakyFile = w.dir.filePath("flaky.json");
    QVERIFY(w.form->saveProfileTo(flakyFile));
    QFile saved(flakyFile);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QJsonDocument::fromJson(saved.readAll())["unclean"].toArray(),
             (QJsonArray{"SW1", "SW2", "SW3", "SW4", "SW5", "codePage", "internationalCharSet", "new8x16Font"}));

    QVERIFY(good.startLogged({"--model", "RT5600", "--switches", "1,2,3,4,5", "--firmware", "V1 \u00e9\u20ac", "--pty", good.ptyPath()}));
    kestrova::ComPortMap::instance().setOverride(3, good.ptyPath().toStdString());
    w.selectPort("COM3");
    QVERIFY(w.read());
    const QString logFile = w.dir.filePath("log.txt");
    QVERIFY(w.form->saveLogTo(logFile));
    QFile log(logFile);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("Read Firmware Revision = V1 \xc3\xa9\xe2\x82\xac\r\n"));

    QVERIFY(!w.form->loadProfileFrom(flakyFile));
    QCOMPARE(w.notifier.messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(w.notifier.messages[0].detail),
             flakyFile + ": SW1, SW2, SW3, SW4, SW5, Code Page, International Character Set were not read cleanly when "
                         "it was saved; read that printer again");
    QVERIFY(w.runOperation(w.ui().writeSW));
    const QStringList events = EventsOnceLogged(good.logPath(), 7);
    QCOMPARE(events.mid(0, 6), (QStringList{"unlock", "set SW1=1", "set SW2=2", "set SW3=3", "set SW4=4", "set SW5=5"}));
  }

  // Exit while a write is under way: the window closes at once; the write still ends with Lock
  // (the printer is not left unlocked) and its connection is closed on the link thread.
  void exitDuringAWriteClosesAtOnce() {
    SimProcess sim;
    const QString log = sim.logPath();
    WindowFixture w;
    QVERIFY(readTarget("TCP/IP", sim, w));
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

};

QTEST_MAIN(WindowTest)
#include "test_window.moc"
