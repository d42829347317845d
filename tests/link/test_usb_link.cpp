// USB discovery over the product table, and the transfers of the link it opens.
#include <QtTest>
#include <stdexcept>

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

  // Each transfer runs on a USB worker and its result comes back to the operation: the bytes
  // sent reach the device, a receive hands out no more than asked and keeps the rest for the
  // next one, a transfer error is kept as the cause, and an exception thrown on the worker
  // reaches the caller.
  void transfers_data() {
    QTest::addColumn<QByteArray>("reply");   // the device's one bulk IN answer, none when empty
    QTest::addColumn<QString>("throws");     // a bulk OUT throws this text
    QTest::addColumn<QByteArray>("first");   // receive(64)
    QTest::addColumn<QByteArray>("second");  // the receive(64) after it
    QTest::addColumn<QString>("cause");      // lastError() afterwards, "" for none
    const QByteArray reply("\x5f" "RT-5600\0", 9);
    QTest::newRow("reply") << reply << "" << reply << QByteArray() << "";
    QTest::newRow("no reply") << QByteArray() << "" << QByteArray() << QByteArray() << "";
    QTest::newRow("rest kept") << QByteArray(80, 'x') << "" << QByteArray(64, 'x') << QByteArray(16, 'x') << "";
    QTest::newRow("overflow") << QByteArray(600, 'y') << "" << QByteArray(64, 'y') << QByteArray(64, 'y')
                              << "usb#vid_1f4e&pid_2a09#1-1: overflow";
    QTest::newRow("bulk OUT throws") << reply << "cable fault" << reply << QByteArray() << "";
  }
  void transfers() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, throws);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QString, cause);
    FakeUsbBackend usb;
    FakeUsbBackend::Device& device = usb.addDevice("2a09");
    if (!reply.isEmpty()) device.replies.push_back(reply.toStdString());
    device.writeThrows = throws.toStdString();
    DeviceHandleSlot slot;
    std::uint8_t activeModelNo = 0;
    QCOMPARE(int(OpenUsbPrinter(usb, 0, activeModelNo, slot)), int(UsbOpenResult::Ok));
    ByteLink& link = *slot.link();
    const Bytes query("\x1d\x49\x43", 3);
    QString thrown;
    bool sent = false;
    try {
      sent = RunToEnd(link.send(query));
    } catch (const std::runtime_error& error) {
      thrown = error.what();
    }
    QCOMPARE(thrown, throws);
    QCOMPARE(sent, throws.isEmpty());
    QCOMPARE(device.written, throws.isEmpty() ? query : Bytes());
    const auto receive = [&] { return QByteArray::fromStdString(RunToEnd(link.receive(64, kReceiveTimeoutMs))); };
    QCOMPARE(receive(), first);
    QCOMPARE(receive(), second);
    QCOMPARE(link.lastError().ok() ? QString() : QString::fromStdString(DescribeLinkError(link.lastError())), cause);
    link.close();
    QVERIFY(!device.open);
    QVERIFY(!RunToEnd(link.send(query)));
    QCOMPARE(QString::fromStdString(DescribeLinkError(link.lastError())),
             "USB usb#vid_1f4e&pid_2a09#1-1: connection closed");
  }
};

QTEST_GUILESS_MAIN(UsbLinkTest)
#include "test_usb_link.moc"
