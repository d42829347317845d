#include <QtTest>

#include "model/c_decimal.h"
#include "model/switch_bank.h"

using namespace kestrova;

Q_DECLARE_METATYPE(std::optional<int>)

class SwitchBankTest : public QObject {
  Q_OBJECT
 private slots:
  // Every byte comes back from its positions, and only its own bank is set.
  void byteRoundTripForEveryValue() {
    for (int v = 0; v <= 255; ++v) {
      SwitchBank bank;
      bank.setByte(3, static_cast<std::uint8_t>(v));
      QCOMPARE(bank.byteValue(3), std::optional<std::uint8_t>(static_cast<std::uint8_t>(v)));
      QCOMPARE(bank.position(SwitchIndex(2, 8)), kPositionNone);
      QCOMPARE(bank.position(SwitchIndex(4, 1)), kPositionNone);
    }
  }

  // Positions of SWn-1 .. SWn-8 ('0' ON, '1' OFF): bit 1 of the byte is switch 1.
  void bitOrder_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("positions");
    QTest::newRow("SW1 0x01") << 1 << 0x01 << "10000000";
    QTest::newRow("SW5 0x80") << 5 << 0x80 << "00000001";
    QTest::newRow("SW2 0x5A") << 2 << 0x5A << "01011010";
    QTest::newRow("SW3 0x0F") << 3 << 0x0F << "11110000";
    QTest::newRow("SW4 0x33") << 4 << 0x33 << "11001100";
  }
  void bitOrder() {
    QFETCH(int, n);
    QFETCH(int, byte);
    QFETCH(QString, positions);
    SwitchBank bank;
    bank.setByte(n, static_cast<std::uint8_t>(byte));
    QString got;
    for (int b = 1; b <= 8; ++b) got += QString::number(bank.position(SwitchIndex(n, b)));
    QCOMPARE(got, positions);
  }

  void byteWithAnUnselectedPositionHasNoValue() {
    SwitchBank bank;
    QVERIFY(!bank.byteValue(1));
    bank.setByte(1, 0);
    bank.setPosition(SwitchIndex(1, 4), kPositionNone);
    QVERIFY(!bank.byteValue(1));
  }

  void switchNames_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::newRow("first") << 0 << "SW1-1";
    QTest::newRow("SW1-8") << 7 << "SW1-8";
    QTest::newRow("SW3-5") << 20 << "SW3-5";
    QTest::newRow("last") << 39 << "SW5-8";
  }
  void switchNames() {
    QFETCH(int, index);
    QFETCH(QString, name);
    QCOMPARE(QString::fromStdString(SwitchName(index)), name);
    QCOMPARE(ParseSwitchName(name.toStdString()), std::optional<int>(index));
  }

  void badSwitchNames() {
    for (const char* bad : {"", "SW0-1", "SW6-1", "SW1-0", "SW1-9", "sw1-1", "SW1_1", "SW1-10", "SW11"})
      QVERIFY2(!ParseSwitchName(bad), bad);
  }

  void decodeReply_data() {
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<int>("expected");  // -1: no value
    const QByteArray z(1, '\0');
    QTest::newRow("zero") << QByteArray("_0") + z << 0;
    QTest::newRow("255") << QByteArray("_255") + z << 255;
    QTest::newRow("one") << QByteArray("_1") + z << 1;
    QTest::newRow("no terminator") << QByteArray("_77") << 77;
    QTest::newRow("trailing letters") << QByteArray("_12ab") + z << 12;
    QTest::newRow("leading blanks") << QByteArray("_  42") + z << 42;
    QTest::newRow("plus sign") << QByteArray("_+7") + z << 7;
    QTest::newRow("text after terminator ignored") << QByteArray("_3") + z + "99" << 3;
    QTest::newRow("no digits is 0") << QByteArray("_abc") + z << 0;
    QTest::newRow("header only is 0") << QByteArray("_") << 0;
    QTest::newRow("256 out of range") << QByteArray("_256") + z << -1;
    QTest::newRow("negative") << QByteArray("_-1") + z << -1;
    QTest::newRow("huge") << QByteArray("_99999999999999999999") + z << -1;
    QTest::newRow("wrong header") << QByteArray("x12") + z << -1;
    QTest::newRow("digit header") << QByteArray("12") + z << -1;
    QTest::newRow("empty") << QByteArray() << -1;
  }
  void decodeReply() {
    QFETCH(QByteArray, raw);
    QFETCH(int, expected);
    const auto value = DecodeSwitchReply(std::string_view(raw.constData(), static_cast<std::size_t>(raw.size())));
    if (expected < 0)
      QVERIFY(!value);
    else
      QCOMPARE(value, std::optional<std::uint8_t>(static_cast<std::uint8_t>(expected)));
  }

  void valueText() {
    QCOMPARE(ReplyValueText(std::string("_RT-5600\0junk", 13)), std::string("RT-5600"));
    QCOMPARE(ReplyValueText(""), std::string());
    QCOMPARE(ReplyValueText("x"), std::string());
  }

  void cDecimal_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << QByteArray("10") << 10;
    QTest::newRow("negative") << QByteArray("-1") << -1;
    QTest::newRow("spaces and tabs") << QByteArray(" \t\n7x") << 7;
    QTest::newRow("sign alone") << QByteArray("-") << 0;
    QTest::newRow("space after sign") << QByteArray("- 5") << 0;
    QTest::newRow("empty") << QByteArray("") << 0;
    QTest::newRow("leading zeros") << QByteArray("0006") << 6;
    QTest::newRow("saturates high") << QByteArray("123456789012345") << INT_MAX;
    QTest::newRow("saturates low") << QByteArray("-123456789012345") << INT_MIN;
  }
  void cDecimal() {
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QCOMPARE(CDecimalToInt(text.toStdString()), value);
  }
};

QTEST_APPLESS_MAIN(SwitchBankTest)
#include "test_switch_bank.moc"
