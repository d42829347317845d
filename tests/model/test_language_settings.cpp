#include <QSet>
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
  // Both lists: numbers rising, each entry led by its own number ("0  - ", "17 - "; "0 - ",
  // "10- "), no entry twice, each number mapping back to its position; a read of it selects and
  // shows the entry, and a write sends the number (and the code page's name) back.
  void listsMapBothWays() {
    const auto& pages = CodePageTable();
    QCOMPARE(pages.size(), std::size_t(22));
    QSet<QString> seen;
    for (int p = 0; p < int(pages.size()); ++p) {
      const CodePageEntry& e = pages[std::size_t(p)];
      const QString entry(e.entry);
      QVERIFY2(p == 0 || e.number > pages[std::size_t(p - 1)].number, e.entry);
      QVERIFY2(entry.startsWith(QString("%1 - ").arg(e.number, -2)), e.entry);
      QVERIFY2(!seen.contains(entry) && QString(e.name).size() > 0, e.entry);
      seen.insert(entry);
      QCOMPARE(CodePagePositionOfNumber(e.number), std::optional<int>(p));
      QCOMPARE(CodePageNumberAt(p), e.number);
      LanguageState state;
      QCOMPARE(Q(ApplyCodePageNumber(state, e.number)), entry);
      QCOMPARE(state.codePagePosition, p);
      QCOMPARE(Q(CodePageText(state)), entry);
      QCOMPARE(Q(CodePageNameText(state)), QString(e.name));
      QCOMPARE(LanguageToWrite(state).codePageNumber, e.number);
      QCOMPARE(LanguageToWrite(state).codePageName, std::string(e.name));
    }
    const auto& sets = CharsetEntries();
    QCOMPARE(sets.size(), std::size_t(18));
    for (int p = 0; p < int(sets.size()); ++p) {
      const QString entry = Q(sets[std::size_t(p)]);
      const auto number = CharsetNumberAt(p);
      QVERIFY(number.has_value());
      QVERIFY2(p == 0 || *number > *CharsetNumberAt(p - 1), qPrintable(entry));
      QVERIFY2(entry.startsWith(QString("%1- ").arg(*number < 10 ? QString("%1 ").arg(*number) : QString::number(*number))),
               qPrintable(entry));
      QCOMPARE(CharsetPositionOfNumber(*number), std::optional<int>(p));
      LanguageState state;
      QCOMPARE(Q(ApplyCharsetNumber(state, *number)), entry);
      QCOMPARE(state.charsetPosition, p);
      QCOMPARE(LanguageToWrite(state).charsetNumber, number);
    }
  }

  // Typed from the documentation: code page entries and names; character sets by position.
  void spotEntries_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("name");
    QTest::newRow("0") << 0 << "0  - Standard" << "Standard";
    QTest::newRow("1") << 1 << "1  - Japanese" << "Katakana Japanese";
    QTest::newRow("19") << 19 << "19 - Multilingual(Euro)" << "Multilingual (Latin+Euro)";
    QTest::newRow("27") << 27 << "27 - Windows Arabic/Farsi" << "Windows Arabic(Farsi)";
    QTest::newRow("31") << 31 << "31 - Thai page 14" << "Thai character code page 14";
    QTest::newRow("33") << 33 << "33 - Hebrew" << "Hebrew New code";
    QTest::newRow("36") << 36 << "36 - Cyrillic" << "Cyrillic";
    QTest::newRow("37") << 37 << "37 - Turkish" << "Turkish";
    QTest::newRow("set 0") << -1 << "0 - U.S.A." << "0";
    QTest::newRow("set 8") << -1 << "8 - Japan" << "8";
    QTest::newRow("set 10") << -1 << "10- Denmark II" << "10";
    QTest::newRow("set 15") << -1 << "15- Ex-Yugoslavia" << "14";
    QTest::newRow("set 18") << -1 << "18- Dubai" << "17";
  }
  void spotEntries() {
    QFETCH(int, number);
    QFETCH(QString, entry);
    QFETCH(QString, name);
    if (number < 0) {
      QCOMPARE(Q(CharsetEntries()[std::size_t(name.toInt())]), entry);
      return;
    }
    LanguageState state;
    QCOMPARE(Q(ApplyCodePageNumber(state, number)), entry);
    QCOMPARE(Q(CodePageNameText(state)), name);
  }

  // Code page numbers off the list: nothing selected after start-up (a write sends 0), a previous
  // selection stays; no position, or one past the lists: code page 0, no character set.
  void unknownCodePageNumbers() {
    QSet<int> listed;
    for (const auto& e : CodePageTable()) listed.insert(e.number);
    for (int number = -2; number < 300; ++number) {
      if (listed.contains(number)) continue;
      QCOMPARE(CodePagePositionOfNumber(number), None());
      LanguageState fresh;
      QCOMPARE(Q(ApplyCodePageNumber(fresh, number)), QString(""));
      QCOMPARE(fresh.codePagePosition, -1);
      QCOMPARE(fresh.codePageNamePosition, -1);
      QCOMPARE(LanguageToWrite(fresh).codePageNumber, 0);
      QCOMPARE(Q(LanguageToWrite(fresh).codePageName), QString(""));
      LanguageState state;
      ApplyCodePageNumber(state, 17);
      QCOMPARE(Q(ApplyCodePageNumber(state, number)), QString("17 - Cyrillic"));
      QCOMPARE(LanguageToWrite(state).codePageNumber, 17);
      QCOMPARE(Q(LanguageToWrite(state).codePageName), QString("Cyrillic"));
    }
    for (int position : {-1, 22}) QCOMPARE(CodePageNumberAt(position), 0);
    for (int position : {-1, 18}) QCOMPARE(CharsetNumberAt(position), None());
  }

  // Character set numbers off the list: 14 lands on "15- Ex-Yugoslavia" (a write then sends 15);
  // 19 and above and negative numbers select nothing, replacing a previous selection.
  void charsetNumbersOffTheList_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<int>>("written");
    QTest::newRow("14") << 14 << 14 << "15- Ex-Yugoslavia" << std::optional<int>(15);
    QTest::newRow("15") << 15 << 14 << "15- Ex-Yugoslavia" << std::optional<int>(15);
    QTest::newRow("16") << 16 << 15 << "16- Indian" << std::optional<int>(16);
    QTest::newRow("19") << 19 << -1 << "" << None();
    QTest::newRow("-1") << -1 << -1 << "" << None();
  }
  void charsetNumbersOffTheList() {
    QFETCH(int, number);
    QFETCH(int, position);
    QFETCH(QString, text);
    QFETCH(std::optional<int>, written);
    LanguageState state;
    SelectCharset(state, 3);
    QCOMPARE(Q(ApplyCharsetNumber(state, number)), text);
    QCOMPARE(state.charsetPosition, position);
    QCOMPARE(Q(CharsetText(state)), text);
    QCOMPARE(LanguageToWrite(state).charsetNumber, written);
  }

  // The code page change handler: the name follows, the character set is reset ("8 - Japan" for
  // Japanese, "0 - U.S.A." otherwise), by a pick and by the handler as the read calls it.
  void codePageChange() {
    for (int position = -1; position < 22; ++position) {
      const int charset = position == 1 ? 8 : 0;
      LanguageState state;
      SelectCodePage(state, 5);
      SelectCharset(state, 12);
      SelectCodePage(state, position);
      QCOMPARE(state.codePagePosition, position);
      QCOMPARE(state.codePageNamePosition, position);
      QCOMPARE(state.charsetPosition, charset);
      LanguageState direct;
      direct.codePagePosition = position;
      CMB_SelectCodePageChange(direct);
      QCOMPARE(direct.codePageNamePosition, position);
      QCOMPARE(direct.charsetPosition, charset);
    }
  }

  // A read of code page 1 then character set 3 ends on "3 - U.K."; an unknown code page after it
  // still runs the change handler, which resets the character set; a typed character set has no
  // number to send.
  void readSequences() {
    LanguageState state;
    QCOMPARE(Q(ApplyCodePageNumber(state, 1)), QString("1  - Japanese"));
    QCOMPARE(Q(CharsetText(state)), QString("8 - Japan"));
    QCOMPARE(Q(ApplyCharsetNumber(state, 3)), QString("3 - U.K."));
    ApplyCodePageNumber(state, 20);
    QCOMPARE(state.codePagePosition, 1);
    QCOMPARE(Q(CharsetText(state)), QString("8 - Japan"));
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
    QTest::newRow("ON and more") << QByteArray("ON ") << 1 << 0 << "ON";
    QTest::newRow("empty from ON") << QByteArray() << 0 << 1 << "OFF";
    QTest::newRow("OFF keeps none") << QByteArray("OFF") << -1 << -1 << "";
    QTest::newRow("OFF keeps ON") << QByteArray("OFF") << 0 << 0 << "ON";
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
    QCOMPARE(Q(ApplyNew8x16FontValue(state, std::string_view(value.constData(), std::size_t(value.size())))), shown);
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

  // Start-up and picks outside the lists: nothing selected, nothing shown, code page 0 written.
  void nothingSelected() {
    LanguageState state;
    SelectCodePage(state, 22);
    SelectCharset(state, 18);
    QCOMPARE(state.codePageNamePosition, -1);
    QCOMPARE(state.charsetPosition, -1);
    QCOMPARE(Q(CodePageText(state) + CodePageNameText(state) + CharsetText(state) + New8x16FontText(state)), QString(""));
    const LanguageWriteValues write = LanguageToWrite(state);
    QCOMPARE(write.codePageNumber, 0);
    QCOMPARE(write.charsetNumber, None());
    QVERIFY(!write.new8x16FontOn);
  }
};

QTEST_APPLESS_MAIN(LanguageSettingsTest)
#include "test_language_settings.moc"
