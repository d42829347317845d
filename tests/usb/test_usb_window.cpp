// The window over USB through the real libusb (this program runs itself again with the umockdev
// preload): a read shows the printer as the device-handle read does, and a handle held from a self
// test whose printer was unplugged is dropped once a send reports it gone.
#include <QApplication>
#include <QtTest>

#include "emulated_usb_bus.h"
#include "window_fixture.h"

using namespace kestrova;
using namespace kestrova::usbtest;

class UsbWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void readThenSelfTestsAfterUnplug() {
    EmulatedUsbBus bus;
    UsbFaults faults;
    faults.unplugAfterEvent = "self-test";
    sim::PrinterValues values;
    values.switches = {1, 2, 112, 255, 30};
    const int printer = bus.addPrinter(0x2a10, values, faults);
    QVERIFY2(bus.error().isEmpty(), qPrintable(bus.error()));

    WindowFixture w;
    w.open();
    w.selectPort("USB");
    w.ui().modelList->setCurrentIndex(w.ui().modelList->findText("RT5600"));
    QVERIFY(w.read());
    QVERIFY(w.notifier.messages.empty());
    // Each value as the device-handle read shows it, followed by one blank.
    QCOMPARE(w.field(RecordField::ModelName), QString("RT-5600 "));
    QCOMPARE(w.field(RecordField::SerialNumber), QString("KS00000001 "));
    QCOMPARE(w.logLines().value(1), QString("Read Software Switch 1 = 1\r\n"));
    const QStringList queries = bus.outTransfers(printer);
    QCOMPARE(queries.size(), 18);
    QCOMPARE(queries.first(), QString("1d 49 43"));
    QCOMPARE(bus.driver(printer), QString("usblp"));

    QVERIFY(w.runOperation(w.ui().selfTest));
    QCOMPARE(bus.outTransfers(printer).mid(18), QStringList{"1d 28 41 02 00 00 02"});
    QVERIFY(bus.log(printer).contains("unplugged"));
    // The next self test sends into the held handle, which reports the device gone and is
    // dropped; the one after it looks for the printer again (the device node is opened once
    // more) instead of sending into the dead handle. Nothing more reaches the printer.
    const int opensBefore = bus.log(printer).count("open");
    QVERIFY(w.runOperation(w.ui().selfTest));
    QCOMPARE(bus.log(printer).count("open"), opensBefore);
    QVERIFY(w.runOperation(w.ui().selfTest));
    QCOMPARE(bus.log(printer).count("open"), opensBefore + 1);
    QCOMPARE(bus.outTransfers(printer).size(), 19);
  }
};

int main(int argc, char** argv) {
  ReexecWithPreload(argv);
  QApplication app(argc, argv);
  UsbWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_usb_window.moc"
