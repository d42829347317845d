// The profile: the values shown survive serialising and parsing, the file holds the texts of the
// language boxes, and every fault names its line and what was expected.
#include <QtTest>

#include "profile/printer_profile.h"

using namespace kestrova;
using namespace kestrova::profile;

using Bytes5 = std::array<std::uint8_t, 5>;

class PrinterProfileTest : public QObject {
  Q_OBJECT
 private slots:
  void roundTrip_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("codePage");   // -1: open
    QTest::addColumn<int>("charset");    // -1: open
    QTest::addColumn<int>("font");       // -1 open, 0 OFF, 1 ON
    QTest::addColumn<QByteArray>("codePageText");
    QTest::addRow("all zero, open") << 9 << QByteArray(5, '\0') << -1 << -1 << -1 << QByteArray("\"codePage\": \"\"");
    QTest::addRow("all ones") << 9 << QByteArray(5, '\xff') << 0 << 18 << 1 << QByteArray("\"codePage\": \"0  - Standard\"");
    QTest::addRow("mixed") << 1 << QByteArray("\x5a\xa5\x04\x10\x81", 5) << 37 << 0 << 0 << QByteArray("\"codePage\": \"37 - Turkish\"");
  }
  void roundTrip() {
    QFETCH(int, model);
    QFETCH(QByteArray, bytes);
    QFETCH(int, codePage);
    QFETCH(int, charset);
    QFETCH(int, font);
    QFETCH(QByteArray, codePageText);
    Bytes5 b{};
    for (int i = 0; i < 5; ++i) b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bytes[i]);
    const PrinterProfile p = ProfileFromValues(static_cast<ModelNo>(model), b, codePage < 0 ? std::nullopt : std::optional(codePage),
                                               charset < 0 ? std::nullopt : std::optional(charset),
                                               font < 0 ? std::nullopt : std::optional(font == 1));
    QCOMPARE(p.codePagePosition.has_value(), codePage >= 0);
    QCOMPARE(p.charsetPosition.has_value(), charset >= 0);
    QCOMPARE(p.fontPosition.has_value(), font >= 0);
    const QByteArray json = SerializeProfile(p);
    QVERIFY2(json.contains(codePageText), json.constData());
    QVERIFY(json.contains(QByteArray("\"no\": ") + QByteArray::number(model)));
    std::string error;
    const auto back = ParseProfile(json, error);
    QVERIFY2(back, error.c_str());
    QVERIFY(*back == p);
  }

  void faults_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");
    QTest::addRow("array") << QByteArray("[1]") << "line 1: expected one JSON object, as `kestrova-swctl read --json` prints it";
    QTest::addRow("no model") << QByteArray("{\n\"bytes\": [0,0,0,0,0]}") << "line 1: expected a model number of the catalogue (model.no) for \"model\"";
    QTest::addRow("byte text") << QByteArray("{\"model\": {\"no\": 9},\n\n\"bytes\": [0,\"1\",0,0,0]}")
                               << "line 3: expected a number 0..255 or null at bytes[1] for \"bytes\"";
    QTest::addRow("byte fraction") << QByteArray("{\"model\": {\"no\": 9}, \"bytes\": [0,0,0,0,1.5]}")
                                   << "line 1: expected a number 0..255 or null at bytes[4] for \"bytes\"";
    QTest::addRow("charset number") << QByteArray("{\"model\": {\"no\": 9}, \"bytes\": [0,0,0,0,0],\n\"printer\": {\n\"internationalCharSet\": 3}}")
                                    << "line 3: expected an entry of the character set list (printer.internationalCharSet) for \"internationalCharSet\"";
    QTest::addRow("font text") << QByteArray("{\"model\": {\"no\": 9}, \"bytes\": [0,0,0,0,0], \"printer\": {\"new8x16Font\": \"maybe\"}}")
                               << "line 1: expected an entry of the 8x16 font list (printer.new8x16Font), not \"maybe\" for \"new8x16Font\"";
  }
  void faults() {
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    std::string got;
    QVERIFY(!ParseProfile(json, got));
    QCOMPARE(QString::fromStdString(got), error);
  }
};

QTEST_GUILESS_MAIN(PrinterProfileTest)
#include "test_printer_profile.moc"
