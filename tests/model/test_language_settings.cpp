#include <QSet>
#include <QtTest>

#include "model/language_settings.h"

using namespace kestrova;

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

  // Typed from the documentation: code page entries and names, character set entries.
  void spotEntries() {
    const char* const pages[][3] = {
        {"0", "0  - Standard", "Standard"},
        {"1", "1  - Japanese", "Katakana Japanese"},
        {"19", "19 - Multilingual(Euro)", "Multilingual (Latin+Euro)"},
        {"27", "27 - Windows Arabic/Farsi", "Windows Arabic(Farsi)"},
        {"31", "31 - Thai page 14", "Thai character code page 14"},
        {"33", "33 - Hebrew", "Hebrew New code"},
        {"36", "36 - Cyrillic", "Cyrillic"},
        {"37", "37 - Turkish", "Turkish"}};
    for (const auto& row : pages) {
      LanguageState state;
      const QString entry = Q(ApplyCodePageNumber(state, QString(row[0]).toInt()));
      QCOMPARE(entry + " / " + Q(CodePageNameText(state)), QString(row[1]) + " / " + row[2]);
    }
    QStringList sets;
    for (int p : {0, 8, 10, 14, 17}) sets << Q(CharsetEntries()[std::size_t(p)]);
    QCOMPARE(sets, (QStringList{"0 - U.S.A.", "8 - Japan", "10- Denmark II", "15- Ex-Yugoslavia", "18- Dubai"}));
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
  void charsetNumbersOffTheList() {
    const struct {
      int number, position;
      const char* text;
      std::optional<int> written;
    } rows[] = {{14, 14, "15- Ex-Yugoslavia", 15}, {15, 14, "15- Ex-Yugoslavia", 15}, {16, 15, "16- Indian", 16},
                {19, -1, "", None()}, {-1, -1, "", None()}};
    for (const auto& row : rows) {
      LanguageState state;
      SelectCharset(state, 3);
      QCOMPARE(Q(ApplyCharsetNumber(state, row.number)), QString(row.text));
      QCOMPARE(Q(CharsetText(state)), QString(row.text));
      QCOMPARE(QString("%1: %2 %3").arg(row.number).arg(state.charsetPosition).arg(LanguageToWrite(state).charsetNumber.value_or(-1)),
               QString("%1: %2 %3").arg(row.number).arg(row.position).arg(row.written.value_or(-1)));
    }
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
  // keeps what was selected; what a write sends.
  void font() {
    const struct {
      const char* value;
      int before, after;
      const char* shown;
    } rows[] = {{"ON", -1, 0, "ON"},   {"ON ", 1, 0, "ON"},  {"", 0, 1, "OFF"}, {"OFF", -1, -1, ""},
                {"OFF", 0, 0, "ON"},   {"on", 1, 1, "OFF"}, {"O", 1, 1, "OFF"}};
    for (const auto& row : rows) {
      LanguageState state;
      state.fontPosition = row.before;
      const QString shown = Q(ApplyNew8x16FontValue(state, row.value));
      QCOMPARE(QString("%1 from %2: %3 %4 %5 %6").arg(row.value).arg(row.before).arg(shown, Q(New8x16FontText(state)))
                   .arg(state.fontPosition).arg(LanguageToWrite(state).new8x16FontOn),
               QString("%1 from %2: %3 %3 %4 %5").arg(row.value).arg(row.before).arg(row.shown).arg(row.after)
                   .arg(row.after == 0));
    }
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
