// USB discovery over the product table.
#include <QtTest>

#include "link/device_handle.h"
#include "link/fake_usb_backend.h"
#include "link/link_limits.h"
#include "link/usb_device_link.h"
#include "link/usb_product_table.h"
#include "tsan_qt.h"

using namespace kestrova;

class UsbLinkTest : public QObject {
  Q_OBJECT
 private slots:
  void discovery_data() {
    QTest::addColumn<QStringList>("present");  // product id texts as the system reports them
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("taken");            // index into present, -1 for none
    QTest::addColumn<int>("active");           // ActiveModelNo afterwards (starts at 99)
    QTest::addColumn<QString>("opened");       // indexes opened, in order
    QTest::addColumn<QString>("cause");        // the failure's text
    const QString none = "USB: no supported printer found";
    QTest::newRow("nothing present") << QStringList{} << 4 << 1 << -1 << 99 << "" << none;
    QTest::newRow("row without model") << QStringList{"2a09"} << 0 << 0 << 0 << 99 << "0" << "";
    QTest::newRow("required model selected") << QStringList{"2a0d"} << 16 << 0 << 0 << 16 << "0" << "";
    QTest::newRow("required model not selected")
        << QStringList{"2a0d"} << 4 << 1 << -1 << 99 << ""
        << "USB: a printer 1f4e:2a0d for MV7500 is present, but RT6100 is selected";
    QTest::newRow("nothing selected") << QStringList{"2a16"} << 0 << 1 << -1 << 99 << ""
                                      << "USB: a printer 1f4e:2a16 for RT6100 is present, but no model is selected";
    QTest::newRow("model without a row selected")
        << QStringList{"2a10"} << 5 << 1 << -1 << 99 << ""
        << "USB: a printer 1f4e:2a10 for RT5600 is present, but model number 5 is selected";
    QTest::newRow("table order wins") << QStringList{"2a05", "2a0d"} << 16 << 0 << 1 << 16 << "1" << "";
    QTest::newRow("passed over, next row taken") << QStringList{"2a05", "2a0d"} << 0 << 0 << 0 << 99 << "0" << "";
    QTest::newRow("two without model") << QStringList{"2a0f", "2a09"} << 0 << 0 << 1 << 99 << "1" << "";
    QTest::newRow("KD250 last row") << QStringList{"2a12"} << 8 << 0 << 0 << 8 << "0" << "";
    QTest::newRow("upper-case id") << QStringList{"2A09"} << 0 << 1 << -1 << 99 << "" << none;
    QTest::newRow("other product") << QStringList{"2a17"} << 0 << 1 << -1 << 99 << "" << none;
  }
  void discovery() {
    QFETCH(QStringList, present);
    QFETCH(int, selected);
    QFETCH(int, result);
    QFETCH(int, taken);
    QFETCH(int, active);
    QFETCH(QString, opened);
    QFETCH(QString, cause);
    FakeUsbBackend usb;
    for (const QString& id : present) usb.addDevice(id.toStdString());
    DeviceHandleSlot slot;
    std::uint8_t activeModelNo = 99;
    QCOMPARE(int(OpenUsbPrinter(usb, std::uint8_t(selected), activeModelNo, slot)), result);
    QCOMPARE(int(activeModelNo), active);
    QCOMPARE(slot.valid(), taken >= 0);
    QStringList openedIndexes;
    for (const std::string& path : usb.openLog()) {
      for (std::size_t i = 0; i < usb.deviceCount(); ++i) {
        if (usb.device(i).info.path == path) openedIndexes << QString::number(i);
      }
    }
    QCOMPARE(openedIndexes.join(' '), opened);
    for (std::size_t i = 0; i < usb.deviceCount(); ++i) {
      // Only the device taken stays open; every other device opened was closed again.
      QCOMPARE(usb.device(i).open, int(i) == taken);
      QCOMPARE(usb.device(i).closes, usb.device(i).opens - (int(i) == taken ? 1 : 0));
    }
    if (result == int(UsbOpenResult::NoUsbDevice)) {
      QCOMPARE(int(slot.lastOpenError().kind), int(LinkError::Kind::NoDevice));
      QCOMPARE(QString::fromStdString(DescribeLinkError(slot.lastOpenError())), cause);
    } else {
      QVERIFY(slot.lastOpenError().ok());
      QCOMPARE(int(slot.link()->replyStyle()), int(ReplyStyle::Block));
    }
  }

};

QTEST_GUILESS_MAIN(UsbLinkTest)
#include "test_usb_link.moc"
