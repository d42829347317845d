// The profile: the values shown survive serialising and parsing, the file holds the texts of the
// language boxes, and every fault names its line and what was expected.
#include <QtTest>

#include <algorithm>

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
    QTest::addRow("code of another model")
        << QByteArray("{\n  \"bytes\": [0,0,0,0,0],\n  \"model\": {\n    \"code\": \"RT3200\",\n    \"no\": 9\n  }\n}")
        << "line 4: expected \"RT5600\", the code of model 9 (model.code), not \"RT3200\" for \"code\"";
    QTest::addRow("code not text") << QByteArray("{\"model\": {\"no\": 1,\n\"code\": 1}, \"bytes\": [0,0,0,0,0]}")
                                   << "line 2: expected \"RT3200\", the code of model 1 (model.code) for \"code\"";
    QTest::addRow("code null for model 9") << QByteArray("{\"model\": {\"no\": 9, \"code\": null}, \"bytes\": [0,0,0,0,0]}")
                                           << "line 1: expected \"RT5600\", the code of model 9 (model.code) for \"code\"";
    QTest::addRow("code for model 0") << QByteArray("{\"model\": {\"no\": 0, \"code\": \"RT5600\"}, \"bytes\": [0,0,0,0,0]}")
                                      << "line 1: expected null, as model 0 has no code (model.code), not \"RT5600\" for \"code\"";
    QTest::addRow("all bytes null") << QByteArray("{\"model\": {\"no\": 9},\n\"bytes\": [null, null,\nnull, null, null]}")
                                    << "line 2: expected at least one number 0..255 among the five values, not five nulls for \"bytes\"";
  }
  void faults() {
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    std::string got;
    QVERIFY(!ParseProfile(json, got));
    QCOMPARE(QString::fromStdString(got), error);
  }

  // model.code may be left out or agree with model.no in any case; bytes may be partly open; a
  // printer's own read may leave all five open.
  void accepted_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("openBytes");
    QTest::addColumn<bool>("fromRead");
    QTest::addRow("no code") << QByteArray(R"({"model": {"no": 9}, "bytes": [0,0,0,0,0]})") << 9 << 0 << false;
    QTest::addRow("code as written") << QByteArray(R"({"model": {"no": 9, "code": "RT5600"}, "bytes": [0,0,0,0,0]})") << 9 << 0 << false;
    QTest::addRow("code in lower case") << QByteArray(R"({"model": {"no": 13, "code": "rt5500e"}, "bytes": [0,0,0,0,0]})") << 13 << 0 << false;
    QTest::addRow("model 0, code null") << QByteArray(R"({"model": {"no": 0, "code": null}, "bytes": [0,0,0,0,0]})") << 0 << 0 << false;
    QTest::addRow("four bytes open") << QByteArray(R"({"model": {"no": 9}, "bytes": [null,null,7,null,null]})") << 9 << 4 << false;
    QTest::addRow("a read with no valid switch reply") << QByteArray(R"({"model": {"no": 9, "code": "RT5600"}, "bytes": [null,null,null,null,null]})")
                                                   << 9 << 5 << true;
  }
  void accepted() {
    QFETCH(QByteArray, json);
    QFETCH(int, model);
    QFETCH(int, openBytes);
    QFETCH(bool, fromRead);
    std::string error;
    const auto p = ParseProfile(json, error, fromRead ? OpenBytes::Allowed : OpenBytes::Refused);
    QVERIFY2(p, error.c_str());
    QCOMPARE(int(p->model), model);
    QCOMPARE(int(std::count(p->bytes.begin(), p->bytes.end(), std::nullopt)), openBytes);
  }
};

QTEST_GUILESS_MAIN(PrinterProfileTest)
#include "test_printer_profile.moc"
