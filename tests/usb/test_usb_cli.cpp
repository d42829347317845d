// kestrova-swctl over USB through the real libusb against printers emulated with umockdev: a read
// gives what the device-handle read of the same printer on a serial port gives (the JSON and
// every OUT byte), a write and both test prints put exact bytes on bulk OUT, discovery follows the
// product table, and every failure a user meets ends with one clear message.
#include <QtTest>

#include <unistd.h>

#include "cli_harness.h"
#include "emulated_usb_bus.h"

using namespace kestrova;
using namespace kestrova::cli::testing;
using namespace kestrova::usbtest;

Q_DECLARE_METATYPE(kestrova::usbtest::UsbFaults)

namespace {

sim::PrinterValues ValuesOf(const QString& model) {
  sim::PrinterValues values;
  values.modelName = sim::ReportedNameOf(model);
  return values;
}

// The OUT transfers joined, as the simulator logs received bytes.
QString Joined(const QStringList& hex) { return hex.join(' '); }

// kestrova-swctl with the umockdev preload, so that its libusb sees the emulated bus.
CliRun RunOnBus(const QStringList& args) {
  qputenv("LD_PRELOAD", PreloadValue().toUtf8());
  const CliRun run = RunSwctl(args, 20000);
  qunsetenv("LD_PRELOAD");
  return run;
}

}  // namespace

class UsbCliTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    if (!ProgramsBuilt()) QSKIP("kestrova-swctl or the printer simulator is not built");
  }

  // A read over USB and the device-handle read of the same printer over a pseudo-terminal: the
  // same JSON, the same bytes sent; the USB read sends one transfer per command.
  void readLikeDeviceHandle_data() {
    QTest::addColumn<int>("productId");
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("composite");  // a vendor interface with a bulk pair before the printer's
    QTest::addRow("RT5600") << 0x2a10 << "RT5600" << false;
    QTest::addRow("MV7500 by its own row") << 0x2a0d << "MV7500" << false;
    QTest::addRow("KD140 row without a model") << 0x2a0f << "RT5600" << false;
    QTest::addRow("printer interface preferred") << 0x2a10 << "RT5600" << true;
  }
  void readLikeDeviceHandle() {
    QFETCH(int, productId);
    QFETCH(QString, model);
    QFETCH(bool, composite);
    EmulatedUsbBus bus;
    UsbFaults layout;
    layout.vendorInterfaceFirst = composite;
    const int printer = bus.addPrinter(quint16(productId), ValuesOf(model), layout);
    QVERIFY2(bus.error().isEmpty(), qPrintable(bus.error()));
    Printer reference;
    QVERIFY2(reference.start({"--model", model, "--pty", reference.ptyPath()}), qPrintable(reference.errorText()));
    const CliRun device = RunSwctl({"read", "--device", reference.ptyPath(), "--json", "--fast"});
    QCOMPARE(device.exitCode, 0);

    const CliRun usb = RunOnBus({"read", "--usb", "--model", model, "--json", "--fast"});
    QVERIFY2(usb.exitCode == 0, qPrintable(usb.errText()));
    QCOMPARE(usb.err, QByteArray());
    QJsonObject expected = JsonObjectOf(device.out);
    QJsonObject got = JsonObjectOf(usb.out);
    QVERIFY(!got.isEmpty());
    expected.remove("link");
    got.remove("link");
    QCOMPARE(got, expected);
    QCOMPARE(Joined(bus.outTransfers(printer)), Joined(reference.received()));
    QCOMPARE(bus.outTransfers(printer).first(), QStringLiteral("1d 49 43"));
    // The kernel driver was detached for the read and given back after it.
    const QStringList log = bus.log(printer);
    const QString iface = composite ? "1" : "0";
    QCOMPARE(log.mid(0, 3), (QStringList{"open", "detach usblp", "claim " + iface}));
    QCOMPARE(log.mid(log.size() - 2), (QStringList{"release " + iface, "attach usblp"}));
    QCOMPARE(bus.driver(printer), QStringLiteral("usblp"));
  }

  // A write and both test prints: the bytes on bulk OUT are those the device handle sends on a
  // serial port (the self test without the serial path's trailing 00), one transfer per send.
  void jobsLikeDeviceHandle_data() {
    QTest::addColumn<QStringList>("job");
    QTest::addColumn<QString>("usbOnly");  // what the USB path sends differently, "" for none
    QTest::addColumn<QStringList>("events");
    QTest::addRow("write") << QStringList{"write", "--set", "SW1-1=ON", "--code-page", "17", "--fast"} << ""
                           << QStringList{"unlock",         "set SW1=0",
                                          "set SW2=0",      "set SW3=0",
                                          "set SW4=0",      "set SW5=0",
                                          "set code-page=17", "set code-page-name=Cyrillic",
                                          "set charset=0",  "set font-8x16=",
                                          "lock"};
    QTest::addRow("self test") << QStringList{"self-test"} << "1d 28 41 02 00 00 02" << QStringList{"self-test"};
    QTest::addRow("font test") << QStringList{"font-test"} << ""
                               << QStringList{"font-test block 1", "font-test block 2", "font-test block 3",
                                              "font-test block 4", "font-test block 5", "font-test block 6",
                                              "font-test block 7"};
  }
  void jobsLikeDeviceHandle() {
    QFETCH(QStringList, job);
    QFETCH(QString, usbOnly);
    QFETCH(QStringList, events);
    EmulatedUsbBus bus;
    const int printer = bus.addPrinter(0x2a10, ValuesOf("RT5600"));
    QVERIFY2(bus.error().isEmpty(), qPrintable(bus.error()));
    const QStringList command = job.mid(0, 1);
    const QStringList options = job.mid(1);
    const CliRun usb = RunOnBus(command + QStringList{"--usb", "--model", "RT5600"} + options);
    QVERIFY2(usb.exitCode == 0, qPrintable(usb.errText()));
    QStringList sent = bus.outTransfers(printer);
    if (!usbOnly.isEmpty()) {
      QCOMPARE(sent, QStringList{usbOnly});
    } else {
      Printer reference;
      QVERIFY2(reference.start({"--model", "RT5600", "--pty", reference.ptyPath()}), qPrintable(reference.errorText()));
      QCOMPARE(RunSwctl(command + QStringList{"--device", reference.ptyPath()} + options).exitCode, 0);
      QVERIFY(reference.waitForEvent(events.last()));
      QCOMPARE(Joined(sent), Joined(reference.received()));
    }
    QStringList printed;
    for (const QString& e : bus.events(printer))
      if (!e.startsWith("query ")) printed << e;
    QCOMPARE(printed.join('|'), events.join('|'));
    if (job.first() == "font-test") QCOMPARE(sent.size(), 7);
    QCOMPARE(bus.driver(printer), QStringLiteral("usblp"));
  }

  // Discovery through libusb: table order, a row for another model passed over untouched (its
  // driver stays bound), two printers, none.
  void discovery_data() {
    QTest::addColumn<QList<int>>("present");
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("taken");  // index into present, -1 for none
    QTest::addColumn<QString>("message");
    QTest::addRow("none present") << QList<int>{} << "RT5600" << -1
                                  << "Open usb FAILED: USB: no supported printer found\n";
    QTest::addRow("table order wins") << QList<int>{0x2a05, 0x2a0d} << "MV7500" << 1 << "";
    QTest::addRow("other model passed over, next row taken") << QList<int>{0x2a05, 0x2a0d} << "RT5600" << 0 << "";
    QTest::addRow("RT5600 present, RT4300 selected")
        << QList<int>{0x2a10} << "RT4300" << -1
        << "Open usb FAILED: USB: a printer 1f4e:2a10 for RT5600 is present, but RT4300 is selected\n";
  }
  void discovery() {
    QFETCH(QList<int>, present);
    QFETCH(QString, model);
    QFETCH(int, taken);
    QFETCH(QString, message);
    EmulatedUsbBus bus;
    for (int id : present) bus.addPrinter(quint16(id), ValuesOf(model));
    QVERIFY2(bus.error().isEmpty(), qPrintable(bus.error()));
    const CliRun run = RunOnBus({"read", "--usb", "--model", model, "--fast"});
    QCOMPARE(run.exitCode, taken >= 0 ? 0 : 1);
    QCOMPARE(run.errText(), message);
    for (int i = 0; i < present.size(); ++i) {
      // Only the printer taken saw anything: the other one was never claimed nor detached.
      QCOMPARE(bus.log(i).isEmpty(), i != taken);
      QCOMPARE(bus.driver(i), QStringLiteral("usblp"));
    }
  }

  // What a user meets: one clear message each, nothing reported as done, and quickly.
  void failures_data() {
    QTest::addColumn<QStringList>("job");
    QTest::addColumn<UsbFaults>("faults");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("lastLog");
    const QString target = "USB usb#vid_1f4e&pid_2a10#1-2";
    UsbFaults busy;
    busy.claimBusy = true;
    QTest::addRow("busy") << QStringList{"read"} << busy
                          << "Open usb FAILED: " + target + ": busy: held by another program (a print spooler or a modem manager)\n"
                          << "busy";
    UsbFaults midRead;
    midRead.unplugAfterOut = 3;
    QTest::addRow("unplugged during a read") << QStringList{"read"} << midRead
                                             << "Read software switch FAILED: USB: link lost at query 3: " + target + ": the printer was unplugged\n"
                                             << "unplugged";
    UsbFaults midWrite;
    midWrite.unplugAfterEvent = "unlock";
    QTest::addRow("unplugged during a write") << QStringList{"write", "--set", "SW1-1=ON"} << midWrite
                                              << "\nWrite software switch FAILED: USB: SW1 not sent in full: " + target +
                                                     ": the printer was unplugged; Lock not sent: the link is closed\n"
                                              << "unplugged";
    UsbFaults silent;
    silent.silentIn = true;
    QTest::addRow("IN never answers") << QStringList{"read"} << silent << "Read software switch FAILED: USB: no valid reply to any query\n"
                                << "discard";
  }
  void failures() {
    QFETCH(QStringList, job);
    QFETCH(UsbFaults, faults);
    QFETCH(QString, message);
    QFETCH(QString, lastLog);
    EmulatedUsbBus bus;
    const int printer = bus.addPrinter(0x2a10, ValuesOf("RT5600"), faults);
    QVERIFY2(bus.error().isEmpty(), qPrintable(bus.error()));
    const CliRun run = RunOnBus(job.mid(0, 1) + QStringList{"--usb", "--model", "RT5600", "--fast"} + job.mid(1));
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.errText().contains(message), qPrintable(run.errText()));
    QCOMPARE(run.errText().count("FAILED"), 1);
    QVERIFY2(bus.log(printer).contains(lastLog), qPrintable(bus.log(printer).join('|')));
    QVERIFY2(run.elapsedMs < 20000, qPrintable(QString::number(run.elapsedMs)));
  }

  // Without access to the device node (as without the udev rule): the cause says what to do.
  // Run as an ordinary user, since root opens any node.
  void permissionDenied() {
    EmulatedUsbBus bus;
    const int printer = bus.addPrinter(0x2a10, ValuesOf("RT5600"));
    QVERIFY2(bus.error().isEmpty(), qPrintable(bus.error()));
    QVERIFY(bus.denyAccess(printer));
    QProcess process;
    process.setProcessEnvironment(bus.childEnvironment());
    const QStringList args = {"read", "--usb", "--model", "RT5600", "--fast"};
    if (geteuid() == 0)
      process.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", SwctlBinary()} + args);
    else
      process.start(SwctlBinary(), args);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
             QString("Open usb FAILED: USB usb#vid_1f4e&pid_2a10#1-2: permission denied; install the udev rule\n"));
    QCOMPARE(bus.log(printer), QStringList());
    QCOMPARE(bus.driver(printer), QString("usblp"));
  }

  // A bench of printers: usb-list shows them in table order; --usb-device reads one chosen
  // printer (the second in table order here) and several read as a fleet, each with its model.
  void severalPrinters() {
    EmulatedUsbBus bus;
    bus.addPrinter(0x2a0f, ValuesOf("RT5600"));  // KD140 row: no model required
    bus.addPrinter(0x2a0d, ValuesOf("MV7500"));
    QVERIFY2(bus.error().isEmpty(), qPrintable(bus.error()));
    const CliRun list = RunOnBus({"usb-list"});
    QCOMPARE(list.exitCode, 0);
    QCOMPARE(list.outText(), QString("1-3  1f4e:2a0d  MV7500  usable\n1-2  1f4e:2a0f  KD140  usable\n"));
    // Listing opens nothing it would claim: no driver was detached.
    QCOMPARE(bus.log(0), QStringList{"open"});
    QCOMPARE(bus.driver(1), QString("usblp"));

    const CliRun one = RunOnBus({"read", "--usb-device", "1-2", "--fast"});
    QVERIFY2(one.exitCode == 0, qPrintable(one.errText()));
    QCOMPARE(bus.outTransfers(1), QStringList());
    QVERIFY(bus.outTransfers(0).size() == 18);

    const CliRun fleet = RunOnBus({"read", "--usb-device", "1-3", "--usb-device", "1-2", "--json", "--fast"});
    QVERIFY2(fleet.exitCode == 0, qPrintable(fleet.errText()));
    QCOMPARE(fleet.outLines().size(), 2);
    QCOMPARE(JsonObjectOf(fleet.outLines().at(0).toUtf8()).value("link").toString(), QString("USB 1-3"));
    QCOMPARE(bus.outTransfers(1).size(), 18);
    QCOMPARE(bus.outTransfers(0).size(), 36);

    const CliRun wrong = RunOnBus({"read", "--usb-device", "1-3", "--model", "RT5600"});
    QCOMPARE(wrong.exitCode, 1);
    QCOMPARE(wrong.errText(), QString("Open usb FAILED: USB 1-3: the printer there is for MV7500, not for the model selected\n"));
    const CliRun none = RunOnBus({"read", "--usb-device", "1-9"});
    QCOMPARE(none.errText(), QString("Open usb FAILED: USB 1-9: no supported printer at this place\n"));
  }

  // Unplugged right after a self test: the print went out (success); the next one finds nothing.
  void unpluggedAfterTestPrint() {
    EmulatedUsbBus bus;
    UsbFaults faults;
    faults.unplugAfterEvent = "self-test";
    const int printer = bus.addPrinter(0x2a10, ValuesOf("RT5600"), faults);
    QVERIFY2(bus.error().isEmpty(), qPrintable(bus.error()));
    const CliRun first = RunOnBus({"self-test", "--usb", "--model", "RT5600"});
    QVERIFY2(first.exitCode == 0, qPrintable(first.errText()));
    const CliRun second = RunOnBus({"self-test", "--usb", "--model", "RT5600"});
    QCOMPARE(second.exitCode, 1);
    QCOMPARE(second.errText().count('\n'), 1);
    QVERIFY2(second.errText().startsWith("Open usb FAILED: "), qPrintable(second.errText()));
    QCOMPARE(bus.outTransfers(printer), QStringList{"1d 28 41 02 00 00 02"});
  }
};

QTEST_GUILESS_MAIN(UsbCliTest)
#include "test_usb_cli.moc"
