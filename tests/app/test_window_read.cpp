// The window end to end against the simulated printer: a read over each link kind, every failure of
// a read, two reads in a row and closing with an open connection.
#include <QtTest>

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>

#include "link/com_port_map.h"
#include "model/printer_record.h"
#include "model/switch_bank.h"
#include "window_fixture.h"

using kestrova::RecordField;
using kestrova::SwitchIndex;
using kestrova::sim::testing::FreePort;
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

}  // namespace

class WindowReadTest : public QObject {
  Q_OBJECT

  void expectReadDone(WindowFixture& w) {
    QVERIFY(w.ui().readSW->isEnabled());
    QVERIFY(w.ui().writeSW->isEnabled());
    QVERIFY(w.ui().selfTest->isEnabled());
    QVERIFY(w.ui().fontTest->isEnabled());
    QVERIFY(!w.ui().portSelection->isEnabled());
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

 private slots:
  void init() {
    if (!kestrova::sim::testing::SimBuilt()) QSKIP("kestrova-printer-sim not built");
  }
  void cleanup() { kestrova::ComPortMap::instance().clearOverrides(); }

  void startUpState() {
    WindowFixture w;
    w.open();
    QCOMPARE(w.form->windowTitle(), QString("Kestrova Software Switch Utility v2.0.5"));
    QCOMPARE(w.form->size(), QSize(790, 612));
    QCOMPARE(w.ui().portSelection->currentText(), QString("USB"));
    QCOMPARE(w.ui().portSelection->count(), 22);
    QVERIFY(w.ui().usbSettings->isVisibleTo(w.form.get()));
    QVERIFY(!w.ui().tcpSettings->isVisibleTo(w.form.get()));
    QCOMPARE(w.ui().modelList->currentText(), QString("RT5600"));
    QCOMPARE(int(w.form->selectedModelNo()), 9);
    QCOMPARE(w.ui().port->text(), QString("9100"));
    QCOMPARE(w.ui().ipAddress->text(), QString("192.168.192.168"));
    QVERIFY(w.ui().readSW->isEnabled());
    QVERIFY(!w.ui().writeSW->isEnabled());
    QCOMPARE(w.label(0), QString("NULL"));
    QFile saved(w.dir.filePath("modelno.dat"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("6"));
    // COM entries name their device node.
    QCOMPARE(w.ui().portSelection->itemData(2, Qt::ToolTipRole).toString(), QString("/dev/ttyUSB0"));
    w.selectPort("COM5");
    QVERIFY(w.ui().comSettings->isVisibleTo(w.form.get()));
    QVERIFY(w.ui().comDevice->text().contains("/dev/ttyACM0"));
  }

  void tcpRead() {
    SimProcess sim;
    QVERIFY2(sim.start(kRt5600Args + QStringList{"--tcp", "127.0.0.1:0"}), qPrintable(sim.errorText()));
    WindowFixture w;
    w.open();
    w.setTcpTarget(sim.tcpPort());
    QVERIFY(w.read());
    expectReadDone(w);
    QVERIFY(!w.ui().ipAddress->isEnabled());
    QCOMPARE(w.logLines(), kRt5600Log);
    QCOMPARE(w.field(RecordField::ModelName), QString("RT-5600"));
    QCOMPARE(w.field(RecordField::SerialNumber), QString("KS00000001"));
    QCOMPARE(w.field(RecordField::CodePage), QString("17 - Cyrillic"));
    QCOMPARE(w.field(RecordField::InternationalCharSet), QString("3 - U.K."));
    QCOMPARE(w.field(RecordField::New8x16Font), QString("ON"));
    QCOMPARE(w.field(RecordField::PrintDensity), QString("Undefined"));
    QCOMPARE(w.ui().codePageName->currentText(), QString("Cyrillic"));
    QCOMPARE(w.label(SwitchIndex(1, 1)), QString("Baud Rate - 38400"));
    QCOMPARE(w.label(SwitchIndex(3, 8)), QString("Auto cutter - Enable"));
    QCOMPARE(w.label(SwitchIndex(5, 1)), QString("Reserve"));
    QCOMPARE(w.form->activeModelNo(), kestrova::ModelNo(9));
  }

  void serialComponentRead() {
    const QString path = QDir::temp().filePath("kestrova-app-com3-" + QString::number(QCoreApplication::applicationPid()));
    SimProcess sim;
    QVERIFY2(sim.start(kRt5600Args + QStringList{"--pty", path}), qPrintable(sim.errorText()));
    kestrova::ComPortMap::instance().setOverride(3, path.toStdString());
    WindowFixture w;
    w.open();
    w.selectPort("COM3");
    QVERIFY(w.read());
    expectReadDone(w);
    QCOMPARE(w.logLines(), kRt5600Log);
    QCOMPARE(w.field(RecordField::Frwv), QString("V1.05"));
    QCOMPARE(w.label(SwitchIndex(3, 8)), QString("Auto cutter - Enable"));
  }

  void deviceHandleRead() {
    const QString path = QDir::temp().filePath("kestrova-app-com7-" + QString::number(QCoreApplication::applicationPid()));
    SimProcess sim;
    QVERIFY2(sim.start({"--model", "KD250", "--switches", "3,0,0,0,0", "--pty", path}), qPrintable(sim.errorText()));
    kestrova::ComPortMap::instance().setOverride(7, path.toStdString());
    WindowFixture w;
    w.open();
    w.selectPort("COM7");
    QVERIFY(w.read());  // KD250 waits a second before every query after the name: a clock pause
    expectReadDone(w);
    QCOMPARE(w.field(RecordField::ModelName), QString("KD250 "));
    QCOMPARE(w.field(RecordField::HoursPowered), QString("1234 "));
    QCOMPARE(w.logLines().first(), QString("Read Model Name = KD250\r\n"));
    QCOMPARE(w.label(SwitchIndex(1, 1)), QString("Interface - WiFi"));
    QCOMPARE(w.form->activeModelNo(), kestrova::ModelNo(8));
  }

  void refusedConnection() {
    WindowFixture w;
    w.open();
    w.setTcpTarget(FreePort());
    QVERIFY(!w.read());
    expectOneFailure(w, "Read software switch FAILED");
    QVERIFY(QString::fromStdString(w.notifier.messages[0].detail).contains("refused"));
  }

  void absentPort() {
    kestrova::ComPortMap::instance().setOverride(2, "/dev/kestrova-no-such-port");
    WindowFixture w;
    w.open();
    w.selectPort("COM2");
    QVERIFY(!w.read(3000));  // reported at once, well before the watchdog
    expectOneFailure(w, "Read software switch FAILED");
  }

  void noUsbPrinter() {
    WindowFixture w;
    w.open();
    QVERIFY(!w.read());
    expectOneFailure(w, "Open usb FAILED");
  }

  void unknownModel() {
    SimProcess sim;
    QVERIFY(sim.start({"--name", "XY-1234", "--tcp", "127.0.0.1:0"}));
    WindowFixture w;
    w.open();
    w.setTcpTarget(sim.tcpPort());
    QVERIFY(!w.read());
    expectOneFailure(w, "Read software switch FAILED");
    QVERIFY(w.logLines().isEmpty());
  }

  void silentPrinter() {
    SimProcess sim;
    QVERIFY(sim.start({"--silent", "--tcp", "127.0.0.1:0"}));
    WindowFixture w;
    w.open();
    w.setTcpTarget(sim.tcpPort());
    QVERIFY(!w.read());
    expectOneFailure(w, "Read software switch FAILED");
  }

  void twoReadsInARow() {
    SimProcess sim;
    QVERIFY(sim.start(kRt5600Args + QStringList{"--tcp", "127.0.0.1:0"}));
    WindowFixture w;
    w.open();
    w.setTcpTarget(sim.tcpPort());
    QVERIFY(w.read());
    QVERIFY(w.read());
    expectReadDone(w);
    QCOMPARE(w.logLines(), kRt5600Log);
  }

  void closingClosesTheConnection() {
    SimProcess sim;
    QVERIFY(sim.startLogged(kRt5600Args + QStringList{"--tcp", "127.0.0.1:0"}));
    WindowFixture w;
    w.open();
    w.setTcpTarget(sim.tcpPort());
    QVERIFY(w.read());
    QVERIFY(!sim.events(sim.tcpLink()).contains("disconnect"));
    w.form->close();
    QVERIFY(sim.waitForEvent("disconnect", 3000));
    QCOMPARE(sim.events(sim.tcpLink()).filter("disconnect"), QStringList{"disconnect"});
  }
};

QTEST_MAIN(WindowReadTest)
#include "test_window_read.moc"
