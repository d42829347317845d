// Self test and font test: exact bytes, lengths and pacing per path.
#include <QtTest>

#include "fake_link.h"
#include "protocol/test_print.h"

using namespace kestrova;

Q_DECLARE_METATYPE(kestrova::TestPrintPath)
Q_DECLARE_METATYPE(kestrova::LinkShape)

class TestPrintTest : public QObject {
  Q_OBJECT
 private slots:
  void selfTestCommand() {
    QCOMPARE(SelfTestCommand(), B({0x1D, 0x28, 0x41, 0x02, 0x00, 0x00, 0x02}));
  }

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

  void selfTest_data() {
    QTest::addColumn<TestPrintPath>("path");
    QTest::addColumn<LinkShape>("shape");
    QTest::addColumn<Bytes>("sent");
    QTest::addColumn<int>("pause");
    QTest::addColumn<bool>("closed");
    const Bytes seven = B({0x1D, 0x28, 0x41, 0x02, 0x00, 0x00, 0x02});
    QTest::newRow("usb") << TestPrintPath::Usb << LinkShape::DeviceHandle << seven << 500 << false;
    QTest::newRow("tcp") << TestPrintPath::Tcp << LinkShape::Tcp << seven << 200 << false;
    QTest::newRow("serial") << TestPrintPath::SerialDevice << LinkShape::DeviceHandle << seven + B({0x00}) << 0 << true;
  }
  void selfTest() {
    QFETCH(TestPrintPath, path);
    QFETCH(LinkShape, shape);
    QFETCH(Bytes, sent);
    QFETCH(int, pause);
    QFETCH(bool, closed);
    FakeClock clock;
    FakeLink link(shape, clock);
    QVERIFY(RunTestPrint(link, clock, TestPrint::SelfTest, path));
    QCOMPARE(link.sent.size(), std::size_t(1));
    QCOMPARE(link.sent[0].bytes, sent);
    QCOMPARE(clock.nowMs(), std::int64_t(pause));
    QCOMPARE(link.isOpen(), !closed);
    if (closed) {
      const std::vector<std::string> tail(link.events.end() - 2, link.events.end());
      QCOMPARE(tail, (std::vector<std::string>{"discard", "close"}));
    } else {
      QCOMPARE(link.discards, 0);
    }
  }

  void fontTest_data() {
    QTest::addColumn<TestPrintPath>("path");
    QTest::addColumn<LinkShape>("shape");
    QTest::addColumn<bool>("closed");
    QTest::newRow("usb") << TestPrintPath::Usb << LinkShape::DeviceHandle << false;
    QTest::newRow("tcp") << TestPrintPath::Tcp << LinkShape::Tcp << false;
    QTest::newRow("serial") << TestPrintPath::SerialDevice << LinkShape::DeviceHandle << true;
  }
  void fontTest() {
    QFETCH(TestPrintPath, path);
    QFETCH(LinkShape, shape);
    QFETCH(bool, closed);
    FakeClock clock;
    FakeLink link(shape, clock);
    QVERIFY(RunTestPrint(link, clock, TestPrint::FontTest, path));
    QCOMPARE(link.sent.size(), std::size_t(7));
    for (std::size_t i = 0; i < 7; ++i) {
      QCOMPARE(link.sent[i].bytes, FontTestBlocks()[i]);
      QCOMPARE(link.sent[i].timeMs, std::int64_t(50 * i));
    }
    QCOMPARE(clock.nowMs(), std::int64_t(7 * 50));
    QCOMPARE(link.isOpen(), !closed);
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
