#include <QtTest>

#include "model/c_decimal.h"
#include "model/switch_bank.h"

using namespace kestrova;

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
  void bitOrder() {
    const struct {
      int n, byte;
      const char* positions;
    } rows[] = {{1, 0x01, "10000000"}, {5, 0x80, "00000001"}, {2, 0x5A, "01011010"}, {3, 0x0F, "11110000"}, {4, 0x33, "11001100"}};
    for (const auto& row : rows) {
      SwitchBank bank;
      bank.setByte(row.n, std::uint8_t(row.byte));
      QString got = QString("SW%1 %2: ").arg(row.n).arg(row.byte);
      for (int b = 1; b <= 8; ++b) got += QString::number(bank.position(SwitchIndex(row.n, b)));
      QCOMPARE(got, QString("SW%1 %2: %3").arg(row.n).arg(row.byte).arg(row.positions));
    }
  }

  void byteWithAnUnselectedPositionHasNoValue() {
    SwitchBank bank;
    QVERIFY(!bank.byteValue(1));
    bank.setByte(1, 0);
    bank.setPosition(SwitchIndex(1, 4), kPositionNone);
    QVERIFY(!bank.byteValue(1));
  }

  void switchNames() {
    const std::pair<int, const char*> rows[] = {{0, "SW1-1"}, {7, "SW1-8"}, {20, "SW3-5"}, {39, "SW5-8"}};
    for (const auto& [index, name] : rows) {
      QCOMPARE(QString::fromStdString(SwitchName(index)), QString(name));
      QCOMPARE(ParseSwitchName(name), std::optional<int>(index));
    }
  }

  void badSwitchNames() {
    for (const char* bad : {"", "SW0-1", "SW6-1", "SW1-0", "SW1-9", "sw1-1", "SW1_1", "SW1-10", "SW11"})
      QVERIFY2(!ParseSwitchName(bad), bad);
  }

  // The switch reply: "_", a C decimal, 0x00; -1 for no value.
  void decodeReply() {
    const std::string z(1, '\0');
    const std::pair<std::string, int> rows[] = {
        {"_0" + z, 0}, {"_255" + z, 255}, {"_77", 77}, {"_12ab" + z, 12}, {"_  42" + z, 42}, {"_+7" + z, 7},
        {"_3" + z + "99", 3}, {"_abc" + z, 0}, {"_", 0}, {"_256" + z, -1}, {"_-1" + z, -1},
        {"_99999999999999999999" + z, -1}, {"x12" + z, -1}, {"12" + z, -1}, {"", -1}};
    for (const auto& [raw, expected] : rows) {
      const auto value = DecodeSwitchReply(raw);
      QCOMPARE(QString::fromStdString(raw) + ": " + (value ? QString::number(*value) : "none"),
               QString::fromStdString(raw) + ": " + (expected < 0 ? QString("none") : QString::number(expected)));
    }
  }

  void valueText() {
    QCOMPARE(ReplyValueText(std::string("_RT-5600\0junk", 13)), std::string("RT-5600"));
    QCOMPARE(ReplyValueText(""), std::string());
    QCOMPARE(ReplyValueText("x"), std::string());
  }

  void cDecimal() {
    const std::pair<const char*, int> rows[] = {{"10", 10},       {"-1", -1},  {" \t\n7x", 7},
                                                {"-", 0},         {"- 5", 0},  {"", 0},
                                                {"0006", 6},      {"123456789012345", INT_MAX},
                                                {"-123456789012345", INT_MIN}};
    for (const auto& [text, value] : rows)
      QCOMPARE(QString("%1: %2").arg(text).arg(CDecimalToInt(text)), QString("%1: %2").arg(text).arg(value));
  }
};

QTEST_APPLESS_MAIN(SwitchBankTest)
#include "test_switch_bank.moc"
