// kestrova-swctl over USB through the real libusb against printers emulated with umockdev: a read
// gives what the device-handle read of the same printer on a serial port gives (the JSON and
// every OUT byte), a write and both test prints put exact bytes on bulk OUT, discovery follows the
// product table, and every failure a user meets ends with one clear message.
#include <QtTest>

#include "cli_harness.h"
#include "emulated_usb_bus.h"

using namespace kestrova;
using namespace kestrova::cli::testing;
using namespace kestrova::usbtest;

namespace {

sim::PrinterValues ValuesOf(const QString& model) {
  sim::PrinterValues values;
  values.modelName = sim::ReportedNameOf(model);
  return values;
}

// The OUT transfers joined, as the simulator logs received bytes.
QString Joined(const QStringList& hex) { return hex.join(' '); }

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
    QTest::addRow("RT5600") << 0x2a10 << "RT5600";
    QTest::addRow("MV7500 by its own row") << 0x2a0d << "MV7500";
    QTest::addRow("KD140 row without a model") << 0x2a0f << "RT5600";
  }
  void readLikeDeviceHandle() {
    QFETCH(int, productId);
    QFETCH(QString, model);
    EmulatedUsbBus bus;
    const int printer = bus.addPrinter(quint16(productId), ValuesOf(model));
    QVERIFY2(bus.error().isEmpty(), qPrintable(bus.error()));
    Printer reference;
    QVERIFY2(reference.start({"--model", model, "--pty", reference.ptyPath()}), qPrintable(reference.errorText()));
    const CliRun device = RunSwctl({"read", "--device", reference.ptyPath(), "--json", "--fast"});
    QCOMPARE(device.exitCode, 0);

    qputenv("LD_PRELOAD", PreloadValue().toUtf8());
    const CliRun usb = RunSwctl({"read", "--usb", "--model", model, "--json", "--fast"});
    qunsetenv("LD_PRELOAD");
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
    QCOMPARE(log.first(), QStringLiteral("detach usblp"));
    QCOMPARE(log.mid(log.size() - 2), (QStringList{"release 0", "attach usblp"}));
    QCOMPARE(bus.driver(printer), QStringLiteral("usblp"));
  }
};

QTEST_GUILESS_MAIN(UsbCliTest)
#include "test_usb_cli.moc"
