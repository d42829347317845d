#include <QtTest>

#include "model/language_settings.h"

using namespace kestrova;

Q_DECLARE_METATYPE(std::optional<int>)

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
std::optional<int> None() { return std::nullopt; }
}  // namespace

class LanguageSettingsTest : public QObject {
  Q_OBJECT
 private slots:
  // Every code page: its number, both list texts, and the mapping in both directions.
  void codePages_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("name");
    auto row = [](int position, int number, const char* entry, const char* name) {
      QTest::addRow("%d", number) << position << number << entry << name;
    };
    row(0, 0, "0  - Standard", "Standard");
    row(1, 1, "1  - Japanese", "Katakana Japanese");
    row(2, 2, "2  - Multilingual(LatinI)", "Multilingual(LatinI)");
    row(3, 3, "3  - Portuguese", "Portuguese");
    row(4, 4, "4  - Canadian-French", "Canadian-French");
    row(5, 5, "5  - Nordic", "Nordic");
    row(6, 17, "17 - Cyrillic", "Cyrillic");
    row(7, 18, "18 - Latin 2", "Latin 2");
    row(8, 19, "19 - Multilingual(Euro)", "Multilingual (Latin+Euro)");
    row(9, 21, "21 - Hebrew", "Hebrew");
    row(10, 22, "22 - Arabic", "Arabic");
    row(11, 24, "24 - Windows Greek", "Windows Greek");
    row(12, 25, "25 - Windows Turkish", "Windows Turkish");
    row(13, 26, "26 - Windows Baltic", "Windows Baltic");
    row(14, 27, "27 - Windows Arabic/Farsi", "Windows Arabic(Farsi)");
    row(15, 28, "28 - Windows Cyrillic", "Windows Cyrillic");
    row(16, 29, "29 - Greek", "Greek");
    row(17, 31, "31 - Thai page 14", "Thai character code page 14");
    row(18, 33, "33 - Hebrew", "Hebrew New code");
    row(19, 34, "34 - Thai page 11", "Thai character code page 11");
    row(20, 36, "36 - Cyrillic", "Cyrillic");
    row(21, 37, "37 - Turkish", "Turkish");
  }
  void codePages() {
    QFETCH(int, position);
    QFETCH(int, number);
    QFETCH(QString, entry);
    QFETCH(QString, name);
    QCOMPARE(CodePageTable().size(), std::size_t(22));
    const CodePageEntry& e = CodePageTable()[static_cast<std::size_t>(position)];
    QCOMPARE(e.number, number);
    QCOMPARE(QString(e.entry), entry);
    QCOMPARE(QString(e.name), name);
    QCOMPARE(CodePagePositionOfNumber(number), std::optional<int>(position));
    QCOMPARE(CodePageNumberAt(position), number);

    // A read of this number: selection, name, display text, and what a write then sends.
    LanguageState state;
    QCOMPARE(Q(ApplyCodePageNumber(state, number)), entry);
    QCOMPARE(state.codePagePosition, position);
    QCOMPARE(Q(CodePageText(state)), entry);
    QCOMPARE(Q(CodePageNameText(state)), name);
    const LanguageWriteValues write = LanguageToWrite(state);
    QCOMPARE(write.codePageNumber, number);
    QCOMPARE(Q(write.codePageName), name);
  }

  void unknownCodePageNumbers_data() {
    QTest::addColumn<int>("number");
    for (int n : {6, 14, 16, 20, 23, 30, 32, 35, 38, 255, -1}) QTest::addRow("%d", n) << n;
  }
  void unknownCodePageNumbers() {
    QFETCH(int, number);
    QCOMPARE(CodePagePositionOfNumber(number), None());

    // After start-up nothing is selected: the display is empty and a write sends 0.
    LanguageState fresh;
    QCOMPARE(Q(ApplyCodePageNumber(fresh, number)), QString(""));
    QCOMPARE(fresh.codePagePosition, -1);
    QCOMPARE(fresh.codePageNamePosition, -1);
    QCOMPARE(LanguageToWrite(fresh).codePageNumber, 0);
    QCOMPARE(Q(LanguageToWrite(fresh).codePageName), QString(""));

    // A previous selection stays, and a write sends its number.
    LanguageState state;
    ApplyCodePageNumber(state, 17);
    QCOMPARE(Q(ApplyCodePageNumber(state, number)), QString("17 - Cyrillic"));
    QCOMPARE(LanguageToWrite(state).codePageNumber, 17);
    QCOMPARE(Q(LanguageToWrite(state).codePageName), QString("Cyrillic"));
  }

  // No position, or one past the lists: code page 0, no character set.
  void numberOfNoPosition() {
    for (int position : {-1, 22}) QCOMPARE(CodePageNumberAt(position), 0);
    for (int position : {-1, 18}) QCOMPARE(CharsetNumberAt(position), None());
  }

  // Every character set entry, its number, and both directions.
  void charsets_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("entry");
    const char* entries[] = {"0 - U.S.A.",     "1 - France",     "2 - Germany",       "3 - U.K.",  "4 - Denmark I",
                             "5 - Sweden",     "6 - Italy",      "7 - Spain I",       "8 - Japan", "9 - Norway",
                             "10- Denmark II", "11- Spain II",   "12- Latin America", "13- Korea",
                             "15- Ex-Yugoslavia", "16- Indian",  "17- Philippines",   "18- Dubai"};
    const int numbers[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16, 17, 18};
    for (int p = 0; p < 18; ++p) QTest::addRow("%s", entries[p]) << p << numbers[p] << entries[p];
  }
  void charsets() {
    QFETCH(int, position);
    QFETCH(int, number);
    QFETCH(QString, entry);
    QCOMPARE(CharsetEntries().size(), std::size_t(18));
    QCOMPARE(Q(CharsetEntries()[static_cast<std::size_t>(position)]), entry);
    QCOMPARE(CharsetPositionOfNumber(number), std::optional<int>(position));
    QCOMPARE(CharsetNumberAt(position), std::optional<int>(number));

    LanguageState state;
    QCOMPARE(Q(ApplyCharsetNumber(state, number)), entry);
    QCOMPARE(state.charsetPosition, position);
    QCOMPARE(LanguageToWrite(state).charsetNumber, std::optional<int>(number));
  }

  // Numbers off the list: 14 lands on "15- Ex-Yugoslavia" (a write then sends 15); 19 and above and
  // negative numbers select nothing and the display shows the empty text.
  void charsetNumbersOffTheList_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<int>>("written");
    QTest::newRow("14") << 14 << 14 << "15- Ex-Yugoslavia" << std::optional<int>(15);
    QTest::newRow("15") << 15 << 14 << "15- Ex-Yugoslavia" << std::optional<int>(15);
    QTest::newRow("16") << 16 << 15 << "16- Indian" << std::optional<int>(16);
    QTest::newRow("18") << 18 << 17 << "18- Dubai" << std::optional<int>(18);
    QTest::newRow("19") << 19 << -1 << "" << None();
    QTest::newRow("100") << 100 << -1 << "" << None();
    QTest::newRow("-1") << -1 << -1 << "" << None();
    QTest::newRow("-5") << -5 << -1 << "" << None();
  }
  void charsetNumbersOffTheList() {
    QFETCH(int, number);
    QFETCH(int, position);
    QFETCH(QString, text);
    QFETCH(std::optional<int>, written);
    LanguageState state;
    SelectCharset(state, 3);  // a previous selection is replaced, not kept
    QCOMPARE(Q(ApplyCharsetNumber(state, number)), text);
    QCOMPARE(state.charsetPosition, position);
    QCOMPARE(Q(CharsetText(state)), text);
    QCOMPARE(LanguageToWrite(state).charsetNumber, written);
  }

  // The code page change handler: the name follows, the character set is reset.
  void codePageChange_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("charset");
    QTest::addColumn<QString>("charsetText");
    QTest::newRow("Japanese") << 1 << 8 << "8 - Japan";
    for (int p : {0, 2, 6, 8, 14, 21}) QTest::addRow("%d", p) << p << 0 << "0 - U.S.A.";
    QTest::newRow("none") << -1 << 0 << "0 - U.S.A.";
  }
  void codePageChange() {
    QFETCH(int, position);
    QFETCH(int, charset);
    QFETCH(QString, charsetText);
    LanguageState state;
    SelectCodePage(state, 5);
    SelectCharset(state, 12);
    SelectCodePage(state, position);
    QCOMPARE(state.codePagePosition, position);
    QCOMPARE(state.codePageNamePosition, position);
    QCOMPARE(state.charsetPosition, charset);
    QCOMPARE(Q(CharsetText(state)), charsetText);

    // The same through the handler itself, as the read calls it.
    LanguageState direct;
    direct.codePagePosition = position;
    CMB_SelectCodePageChange(direct);
    QCOMPARE(direct.codePageNamePosition, position);
    QCOMPARE(direct.charsetPosition, charset);
  }

  // A read of code page 1 and character set 3: reset to "8 - Japan" first, then "3 - U.K.".
  void readOrderOverridesTheReset() {
    LanguageState state;
    QCOMPARE(Q(ApplyCodePageNumber(state, 1)), QString("1  - Japanese"));
    QCOMPARE(Q(CharsetText(state)), QString("8 - Japan"));
    QCOMPARE(Q(ApplyCharsetNumber(state, 3)), QString("3 - U.K."));
    QCOMPARE(Q(CodePageNameText(state)), QString("Katakana Japanese"));
  }

  // An unknown code page still runs the change handler, which resets the character set.
  void unknownCodePageStillResetsTheCharset() {
    LanguageState state;
    ApplyCodePageNumber(state, 1);
    ApplyCharsetNumber(state, 5);
    ApplyCodePageNumber(state, 20);
    QCOMPARE(state.codePagePosition, 1);
    QCOMPARE(Q(CharsetText(state)), QString("8 - Japan"));
  }

  // A typed character set has no entry: the write has no number to send.
  void typedCharset() {
    LanguageState state;
    SelectCharset(state, 3);
    TypeCharsetText(state, "3 - U.K.");
    QCOMPARE(state.charsetPosition, -1);
    QCOMPARE(Q(CharsetText(state)), QString("3 - U.K."));
    QCOMPARE(LanguageToWrite(state).charsetNumber, None());
  }

  // The new 8x16 font reply: "ON" selects on, the empty value (two zero bytes) off, anything else
  // keeps what was selected.
  void fontReply_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ON from none") << QByteArray("ON") << -1 << 0 << "ON";
    QTest::newRow("ON from OFF") << QByteArray("ON") << 1 << 0 << "ON";
    QTest::newRow("ON and more") << QByteArray("ON ") << 1 << 0 << "ON";
    QTest::newRow("empty from none") << QByteArray() << -1 << 1 << "OFF";
    QTest::newRow("empty from ON") << QByteArray() << 0 << 1 << "OFF";
    QTest::newRow("OFF keeps none") << QByteArray("OFF") << -1 << -1 << "";
    QTest::newRow("OFF keeps ON") << QByteArray("OFF") << 0 << 0 << "ON";
    QTest::newRow("OFF keeps OFF") << QByteArray("OFF") << 1 << 1 << "OFF";
    QTest::newRow("on lower case keeps") << QByteArray("on") << 1 << 1 << "OFF";
    QTest::newRow("O alone keeps") << QByteArray("O") << 1 << 1 << "OFF";
  }
  void fontReply() {
    QFETCH(QByteArray, value);
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(QString, shown);
    LanguageState state;
    state.fontPosition = before;
    QCOMPARE(Q(ApplyNew8x16FontValue(state, std::string_view(value.constData(), static_cast<std::size_t>(value.size())))),
             shown);
    QCOMPARE(state.fontPosition, after);
    QCOMPARE(Q(New8x16FontText(state)), shown);
    QCOMPARE(LanguageToWrite(state).new8x16FontOn, after == 0);
  }

  void fontToWire() {
    QCOMPARE(New8x16FontEntries(), (std::vector<std::string>{"ON", "OFF"}));
    QCOMPARE(New8x16FontWireValue(true), std::string("ON"));
    QCOMPARE(New8x16FontWireValue(false), std::string(2, '\0'));
    LanguageState state;
    SelectNew8x16Font(state, 0);
    QVERIFY(LanguageToWrite(state).new8x16FontOn);
    SelectNew8x16Font(state, 2);  // outside the list: nothing selected, not on
    QCOMPARE(state.fontPosition, -1);
    QVERIFY(!LanguageToWrite(state).new8x16FontOn);
  }

  void startsWithNothingSelected() {
    const LanguageState state;
    QCOMPARE(Q(CodePageText(state)), QString(""));
    QCOMPARE(Q(CodePageNameText(state)), QString(""));
    QCOMPARE(Q(CharsetText(state)), QString(""));
    QCOMPARE(Q(New8x16FontText(state)), QString(""));
    const LanguageWriteValues write = LanguageToWrite(state);
    QCOMPARE(write.codePageNumber, 0);
    QCOMPARE(write.charsetNumber, None());
    QVERIFY(!write.new8x16FontOn);
  }

  void picksOutsideTheListsSelectNothing() {
    LanguageState state;
    SelectCodePage(state, 22);
    QCOMPARE(state.codePagePosition, -1);
    QCOMPARE(state.codePageNamePosition, -1);
    SelectCharset(state, 18);
    QCOMPARE(state.charsetPosition, -1);
    QCOMPARE(Q(CharsetText(state)), QString(""));
  }
};

QTEST_APPLESS_MAIN(LanguageSettingsTest)
#include "test_language_settings.moc"
