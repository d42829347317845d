// The profile: values survive serialising and parsing, and every fault names its line and what was
// expected.
#include <QtTest>

#include "profile/printer_profile.h"

using namespace kestrova;
using namespace kestrova::profile;

class PrinterProfileTest : public QObject {
  Q_OBJECT
 private slots:
  // A row: the JSON, whether a read's own file (five open bytes allowed), and the error or, when
  // parsed, "model open-bytes code-page charset font" positions (-1: open).
  void parse_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("fromRead");
    QTest::addColumn<QString>("expected");
    const QByteArray b = R"("bytes": [0,0,0,0,0])";
    QTest::newRow("array") << QByteArray("[1]") << false << "line 1: expected one JSON object, as `kestrova-swctl read --json` prints it";
    QTest::newRow("no model") << QByteArray("{\n" + b + "}") << false << "line 1: expected a model number of the catalogue (model.no) for \"model\"";
    QTest::newRow("model beyond int") << QByteArray("{\"model\": {\"no\": 1e100},\n" + b + "}") << false << "line 1: expected a model number of the catalogue (model.no) for \"no\"";
    QTest::newRow("byte text") << QByteArray("{\"model\": {\"no\": 9},\n\n\"bytes\": [0,\"1\",0,0,0]}") << false << "line 3: expected a number 0..255 or null at bytes[1] for \"bytes\"";
    QTest::newRow("byte fraction") << QByteArray("{\"model\": {\"no\": 9}, \"bytes\": [0,0,0,0,1.5]}") << false << "line 1: expected a number 0..255 or null at bytes[4] for \"bytes\"";
    QTest::newRow("charset number") << QByteArray("{\"model\": {\"no\": 9}, " + b + ",\n\"printer\": {\n\"internationalCharSet\": 3}}") << false
                                    << "line 3: expected an entry of the character set list (printer.internationalCharSet) for \"internationalCharSet\"";
    QTest::newRow("font text") << QByteArray("{\"model\": {\"no\": 9}, " + b + ", \"printer\": {\"new8x16Font\": \"maybe\"}}") << false
                               << "line 1: expected an entry of the 8x16 font list (printer.new8x16Font), not \"maybe\" for \"new8x16Font\"";
    QTest::newRow("code of another model") << QByteArray("{\n" + b + ",\n \"model\": {\n  \"code\": \"RT3200\",\n \"no\": 9}}") << false
                                           << "line 4: expected \"RT5600\", the code of model 9 (model.code), not \"RT3200\" for \"code\"";
    QTest::newRow("code not text") << QByteArray("{\"model\": {\"no\": 1,\n\"code\": 1}, " + b + "}") << false << "line 2: expected \"RT3200\", the code of model 1 (model.code) for \"code\"";
    QTest::newRow("code for model 0") << QByteArray("{\"model\": {\"no\": 0, \"code\": \"RT5600\"}, " + b + "}") << false
                                      << "line 1: expected null, as model 0 has no code (model.code), not \"RT5600\" for \"code\"";
    QTest::newRow("five nulls") << QByteArray("{\"model\": {\"no\": 9},\n\"bytes\": [null, null,\nnull, null, null]}") << false
                                << "line 2: expected at least one number 0..255 among the five values, not five nulls for \"bytes\"";
    QTest::newRow("five nulls of a read") << QByteArray("{\"model\": {\"no\": 9, \"code\": \"RT5600\"}, \"bytes\": [null,null,null,null,null]}") << true << "9 5 -1 -1 -1";
    QTest::newRow("code in lower case") << QByteArray("{\"model\": {\"no\": 13, \"code\": \"rt5500e\"}, \"bytes\": [null,null,7,null,null]}") << false << "13 4 -1 -1 -1";
    QTest::newRow("model 0, texts") << QByteArray("{\"model\": {\"no\": 0, \"code\": null}, " + b + R"(, "printer": {"codePage": " 37 - Turkish", "internationalCharSet": "18- Dubai", "new8x16Font": "OFF"}})")
                                    << false << "0 0 21 17 1";
    // What a read did not get cleanly: only the written values the file holds count.
    QTest::newRow("unclean of a read") << QByteArray(R"({"model": {"no": 9}, "bytes": [1,null,3,4,5], "printer": {"codePage": "17 - Cyrillic"},
                                                         "unclean": ["firmwareRevision", "SW2", "codePage", "SW1", "new8x16Font"]})")
                                       << false << "9 1 6 -1 -1 unclean=SW1,Code Page";
    QTest::newRow("unclean not a list") << QByteArray("{\"model\": {\"no\": 9}, " + b + ",\n\"unclean\": \"SW1\"}") << false
                                        << "line 2: expected a list of value names (\"SW1\", \"codePage\", ...) for \"unclean\"";
    QTest::newRow("unclean holds a number") << QByteArray("{\"model\": {\"no\": 9}, " + b + ", \"unclean\": [1]}") << false
                                            << "line 1: expected a list of value names (\"SW1\", \"codePage\", ...) for \"unclean\"";
  }
  void parse() {
    QFETCH(QByteArray, json);
    QFETCH(bool, fromRead);
    QFETCH(QString, expected);
    std::string error;
    const auto p = ParseProfile(json, error, fromRead ? OpenBytes::Allowed : OpenBytes::Refused);
    QStringList unclean;
    if (p)
      for (const std::string& name : UncleanHeldValues(*p)) unclean << QString::fromStdString(name);
    QCOMPARE(p ? QString("%1 %2 %3 %4 %5").arg(p->model).arg(std::count(p->bytes.begin(), p->bytes.end(), std::nullopt))
                     .arg(p->codePagePosition.value_or(-1)).arg(p->charsetPosition.value_or(-1)).arg(p->fontPosition.value_or(-1)) +
                     (unclean.isEmpty() ? QString() : " unclean=" + unclean.join(','))
               : QString::fromStdString(error), expected);
    // What a read shows serialises to the texts of the lists and parses back to the same values.
    PrinterProfile shown = ProfileFromValues(9, {0x5A, 0xA5, 4, 16, 129}, fromRead ? 37 : 99, fromRead ? 15 : 14, fromRead);
    if (fromRead) shown.unclean = {"SW4", "New 8x16 Font"};
    const QByteArray out = SerializeProfile(shown);
    QVERIFY2(out.contains(fromRead ? R"("codePage": "37 - Turkish")" : R"("codePage": "")") && out.contains(R"("code": "RT5600")"), out.constData());
    QVERIFY(ParseProfile(out, error) == shown);
  }
};

QTEST_GUILESS_MAIN(PrinterProfileTest)
#include "test_printer_profile.moc"
