// Self test and font test: exact bytes, lengths and pacing per path.
#include <QtTest>

#include "fake_link.h"
#include "protocol/test_print.h"

using namespace kestrova;


class TestPrintTest : public QObject {
  Q_OBJECT
 private slots:
  void fontTestBlocks() {
    const auto& b = FontTestBlocks();
    std::vector<std::size_t> sizes;
    for (const auto& block : b) sizes.push_back(block.size());
    QCOMPARE(sizes, (std::vector<std::size_t>{15, 97, 130, 15, 97, 130, 6}));
    QCOMPARE(b[0], B({0x1B, 0x21, 0x01}) + "FONT:08X16\r\n");
    QCOMPARE(b[3], B({0x1B, 0x21, 0x02}) + "FONT:12X24\r\n");
    QCOMPARE(b[6], B({0x1B, 0x40, 0x0D, 0x0A, 0x1B, 0x69}));
    QCOMPARE(b[1].front(), '\x21');
    QCOMPARE(b[1].substr(94), B({0x7F, 0x0D, 0x0A}));
    QCOMPARE(b[2].front(), '\x80');
    QCOMPARE(b[2].substr(127), B({0xFF, 0x0D, 0x0A}));
    for (std::size_t i = 0; i + 2 < b[2].size(); ++i) QCOMPARE(static_cast<unsigned char>(b[2][i]), 0x80 + i);
    QCOMPARE(b[4], b[1]);
    QCOMPARE(b[5], b[2]);
  }

  // Each test on each path: the bytes and their send times, the pause after, and whether the
  // link is discarded and closed (the serial device) or left open.
  void testPrints() {
    const Bytes seven = B({0x1D, 0x28, 0x41, 0x02, 0x00, 0x00, 0x02});
    const std::vector<Bytes> font(FontTestBlocks().begin(), FontTestBlocks().end());
    const std::vector<std::int64_t> fontTimes = {0, 50, 100, 150, 200, 250, 300};
    const struct {
      const char* name;
      TestPrint test;
      TestPrintPath path;
      LinkShape shape;
      std::vector<Bytes> sent;
      std::vector<std::int64_t> times;
      int endMs;
      bool closed;
    } rows[] = {
        {"self usb", TestPrint::SelfTest, TestPrintPath::Usb, LinkShape::DeviceHandle, {seven}, {0}, 500, false},
        {"self tcp", TestPrint::SelfTest, TestPrintPath::Tcp, LinkShape::Tcp, {seven}, {0}, 200, false},
        {"self serial", TestPrint::SelfTest, TestPrintPath::SerialDevice, LinkShape::DeviceHandle, {seven + B({0x00})}, {0}, 0, true},
        {"font usb", TestPrint::FontTest, TestPrintPath::Usb, LinkShape::DeviceHandle, font, fontTimes, 350, false},
        {"font tcp", TestPrint::FontTest, TestPrintPath::Tcp, LinkShape::Tcp, font, fontTimes, 350, false},
        {"font serial", TestPrint::FontTest, TestPrintPath::SerialDevice, LinkShape::DeviceHandle, font, fontTimes, 350, true},
    };
    for (const auto& row : rows) {
      FakeClock clock;
      FakeLink link(row.shape, clock);
      QVERIFY2(RunTestPrint(link, clock, row.test, row.path), row.name);
      QVERIFY2(link.sentBytes() == row.sent, row.name);
      QVERIFY2(link.sentTimes() == row.times, row.name);
      QCOMPARE(QString("%1: %2 ms, open %3, discards %4").arg(row.name).arg(clock.nowMs()).arg(link.isOpen()).arg(link.discards),
               QString("%1: %2 ms, open %3, discards %4").arg(row.name).arg(row.endMs).arg(!row.closed).arg(int(row.closed)));
      if (row.closed)
        QCOMPARE(std::vector<std::string>(link.events.end() - 2, link.events.end()),
                 (std::vector<std::string>{"discard", "close"}));
    }
  }

  void closedLinkSendsNothing() {
    FakeClock clock;
    FakeLink link(LinkShape::Tcp, clock, false);
    QVERIFY(!RunTestPrint(link, clock, TestPrint::SelfTest, TestPrintPath::Tcp));
    QVERIFY(link.events.empty());
  }

  void failedBlockStopsAndReportsIt() {
    FakeClock clock;
    FakeLink link(LinkShape::DeviceHandle, clock);
    link.failSendsFrom(2, 10);  // block 3 short
    QVERIFY(!RunTestPrint(link, clock, TestPrint::FontTest, TestPrintPath::SerialDevice));
    QCOMPARE(std::count(link.events.begin(), link.events.end(), "send"), std::ptrdiff_t(3));
    QCOMPARE(link.closes, 1);
    QCOMPARE(link.discards, 1);
  }
};

QTEST_APPLESS_MAIN(TestPrintTest)
#include "test_test_print.moc"
