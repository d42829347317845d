// The model: catalogue and reported names, switch bytes and replies, definitions, multi-bit fields
// and what the window shows after a read, language settings, the model choice file, the trace.
#include <QtTest>

#include "model/c_decimal.h"
#include "model/catalogue.h"
#include "model/debug_trace.h"
#include "model/language_settings.h"
#include "model/model_choice.h"
#include "model/model_set.h"
#include "model/switch_definitions.h"
#include "model/switch_explain.h"
#include "model/switch_fields.h"
#include "model/switch_view.h"

using namespace kestrova;

namespace {

using Fn = std::function<QString()>;
QString Text(const std::string& s) { return QString::fromStdString(s); }
template <typename T>
QString NumberOrDash(const std::optional<T>& v) { return v ? QString::number(*v) : QString("-"); }
ModelNo ModelOfCode(const char* code) { return code[0] ? FindModelByCode(code)->no : ModelNo(0); }
int Bit(const char* name) { return *ParseSwitchName(name); }

// Reported names to "serial tcp usb" model numbers, '|' between names.
QString Names(std::initializer_list<const char*> names) {
  QStringList out;
  for (const char* n : names)
    out << QString("%1 %2 %3").arg(NumberOrDash(MatchReportedName(NameList::Serial, n)), NumberOrDash(MatchReportedName(NameList::Tcp, n)),
                                   NumberOrDash(MatchReportedName(NameList::Usb, n)));
  return out.join('|');
}

SwitchViewValues View(int sw3, std::array<int, 5> bytes = {0, 0, 0, 0, 0}) {
  SwitchViewValues view;
  SwitchBank bank;
  bytes[2] = sw3;
  for (int n = 1; n <= 5; ++n) bank.setByte(n, std::uint8_t(bytes[std::size_t(n - 1)]));
  view.positions = bank.positions();
  return view;
}
// The labels of the bits after a click on the first one: bits set to index, the rest to fill.
QString Click(const char* model, std::vector<const char*> bits, int index, int fill = 0) {
  SwitchViewValues view = View(fill, {fill, fill, fill, fill, fill});
  for (std::size_t k = 0; k < bits.size(); ++k) view.positions[std::size_t(Bit(bits[k]))] = (index >> k) & 1;
  view.density = "untouched";
  RefreshSwitch(Bit(bits[0]), ModelOfCode(model), ModelDefinitions(ModelOfCode(model)), view);
  QStringList labels;
  for (const char* b : bits) labels << Text(view.labels[std::size_t(Bit(b))]);
  return labels.join('|') + " / " + Text(view.density);
}
// Density and Thai boxes after a read of SW3 (both "before" until written), one bit left unselected.
QString Derived(const char* model, int sw3, const char* unselected = nullptr) {
  SwitchViewValues view = View(sw3);
  if (unselected) view.positions[std::size_t(Bit(unselected))] = kPositionNone;
  view.density = view.thaiPass = "before";
  SwitchDefinitions active{};
  ApplyModelDefinitions(ModelOfCode(model), active, view);
  return Text(view.density + " / " + view.thaiPass);
}
QString Definition(const char* model, const char* bit) {
  const auto d = ModelDefinitions(ModelOfCode(model))[std::size_t(Bit(bit))];
  return Text("[" + d.on + "] [" + d.off + "]");
}
QString Reserved(const char* model) {
  QStringList out;
  const auto d = ModelDefinitions(ModelOfCode(model));
  for (int i = 0; i < kSwitchBits; ++i)
    if (d[std::size_t(i)].on == kReserve) out << Text(SwitchName(i));
  return out.join(' ');
}
QString Explain(const char* model, std::array<std::optional<std::uint8_t>, 5> bytes, std::vector<const char*> bits) {
  const SwitchExplanation e = ExplainSwitches(ModelOfCode(model), bytes);
  QStringList out;
  for (const char* b : bits) out << Text(e.labels[std::size_t(Bit(b))]) + "=" + QString::number(e.positions[std::size_t(Bit(b))]);
  return out.join('|') + " / " + Text(e.printDensity) + " / " + Text(e.thaiPass);
}
QString Language(const std::function<void(LanguageState&)>& steps) {
  LanguageState s;
  steps(s);
  const LanguageWriteValues w = LanguageToWrite(s);
  return QString("%1|%2|%3|%4 -> %5 %6 %7 %8").arg(Text(CodePageText(s)), Text(CodePageNameText(s)), Text(CharsetText(s)),
      Text(New8x16FontText(s))).arg(w.codePageNumber).arg(Text(w.codePageName), NumberOrDash(w.charsetNumber), w.new8x16FontOn ? "true" : "false");
}
QString Decode(std::initializer_list<std::string> replies) {
  QStringList out;
  for (const auto& r : replies) out << NumberOrDash(DecodeSwitchReply(r));
  return out.join(' ');
}
const std::string z(1, '\0');

}  // namespace

Q_DECLARE_METATYPE(Fn)

class ModelTest : public QObject {
  Q_OBJECT
 private slots:
  // A case is a row: what is computed, and the text it must give.
  void spots_data() {
    QTest::addColumn<Fn>("fn");
    QTest::addColumn<QString>("expected");
    auto row = [](const char* name, Fn fn, const QString& expected) { QTest::newRow(name) << fn << expected; };
    row("reported names", [] { return Names({"RT-5600", "KD-240", "KD6", "RT-4300X", "RT-4300", "RT-5602", "KD250", "RT-6100", "RT-3200"}); },
        "9 9 9|7 7 7|7 7 7|10 10 10|6 6 6|11 11 11|8 8 8|4 4 4|1 1 1");
    row("reported names per list", [] { return Names({"RT-5500E", "RT-5502", "RT-5500", "RT-5503", "RT-6400K", "MV75_USB", "MV71_USB", "RT-3206", "RT-3207"}); },
        "13 3 13|12 - 12|3 3 3|15 15 15|14 14 14|16 16 16|17 - 17|- 18 -|- 19 -");
    row("near names", [] { return Names({"KD6xyz", "RT-5600 B", "RT-3206X", "RT-3207 ", "RT-560", "KD24", "rt-5600", "", "MV75_US", "RT-5502 X"}); },
        "7 7 7|9 9 9|- - -|- - -|- - -|- - -|- - -|- - -|- - -|12 - 12");
    row("bit order", [] { SwitchBank b; b.setByte(2, 0x5A); QString s; for (int i = 1; i <= 8; ++i) s += QString::number(b.position(SwitchIndex(2, i))); return s + NumberOrDash(b.byteValue(1)); }, "01011010-");
    row("byte with a switch unselected", [] { SwitchBank b; b.setByte(1, 0); b.setPosition(3, kPositionNone); return NumberOrDash(b.byteValue(1)); }, "-");
    row("switch names", [] { return Text(SwitchName(0) + SwitchName(20) + SwitchName(39)) + NumberOrDash(ParseSwitchName("SW3-5")) + NumberOrDash(ParseSwitchName("SW5-8")); }, "SW1-1SW3-5SW5-82039");
    row("bad switch names", [] { QString s; for (const char* n : {"", "SW0-1", "SW6-1", "SW1-0", "SW1-9", "sw1-1", "SW1_1", "SW1-10"}) s += NumberOrDash(ParseSwitchName(n)); return s; }, "--------");
    row("switch replies", [] { return Decode({"_0" + z, "_255" + z, "_77", "_12ab" + z, "_  42" + z, "_+7" + z, "_3" + z + "99", "_abc" + z, "_", "_256" + z, "_-1" + z, "_99999999999" + z, "x12" + z, "12", ""}); },
        "0 255 77 12 42 7 3 0 0 - - - - - -");
    row("reply value text", [] { return Text(ReplyValueText(std::string("_RT-5600\0junk", 13)) + "|" + ReplyValueText("") + "|" + ReplyValueText("x")); }, "RT-5600||");
    row("C decimals", [] { QStringList s; for (const char* t : {"10", "-1", " \t\n7x", "-", "- 5", "", "0006", "123456789012345", "-123456789012345"}) s << QString::number(CDecimalToInt(t)); return s.join(' '); },
        "10 -1 7 0 0 0 6 2147483647 -2147483648");
    // Definitions, trailing blanks and typing errors included.
    row("definitions", [] { return Definition("RT3200", "SW2-5") + Definition("MV7120SK", "SW2-5") + Definition("RT3207", "SW2-2") + Definition("KD240", "SW2-6"); },
        "[Busy condition - Disable ] [Busy condition - Enable][Handshaking - XON/XOFF] [Handshaking - DTR/DSR ][Paper width - 58mm] [Paper width - 80mn]"
        "[< CR > Auto Line Feed - Enalbe] [< CR > Auto Line Feed - Disable]");
    row("more definitions", [] { return Definition("KD240", "SW1-8") + Definition("RT5500E", "SW1-6") + Definition("RT6400K", "SW3-8") + Definition("RT5503", "SW5-1"); },
        "[] [][Paper width - 58mm] [Paper width - 80mm][Thai Font mode - 3 PASS] [Thai Font mode - 1 PASS][Printer PID - For RT5600] [Printer PID - Default]");
    row("reserved", [] { return Reserved("RT5500") + "|" + Reserved("RT5503") + "|" + Reserved("RT3207"); },
        "SW2-1 SW3-2 SW3-3 SW3-4 SW5-1 SW5-2 SW5-6 SW5-7 SW5-8|SW2-1 SW5-3 SW5-4 SW5-5 SW5-6 SW5-7 SW5-8|SW5-1 SW5-6 SW5-7 SW5-8");
    row("MV7500 reserved", [] { return Reserved("MV7500"); }, "SW1-1 SW1-2 SW1-4 SW2-1 SW2-5 SW3-6 SW4-1 SW4-8 SW5-1 SW5-2 SW5-3 SW5-4 SW5-5 SW5-6 SW5-7 SW5-8");
    // Fields: the labels of every member after a click, and the density box.
    row("baud", [] { return Click("RT3200", {"SW1-1", "SW1-2"}, 1) + "|" + Click("RT5600", {"SW1-2", "SW1-1"}, 2, 255) + "|" + Click("MV7120SK", {"SW1-1", "SW1-2"}, 1) + "|" + Click("RT6100", {"SW1-1", "SW1-2"}, 0); },
        "Baud Rate - 115200|Baud Rate - 115200 / untouched|Baud Rate - 19200|Baud Rate - 19200 / untouched|Baud Rate - 9600|Baud Rate - 9600 / untouched|"
        "Baud Rate - 38400 (USB CDC)|Baud Rate - 38400 (USB CDC) / untouched");
    row("KD250 interface", [] { return Click("KD250", {"SW1-2", "SW1-1"}, 3); }, "Interface - WiFi|Interface - WiFi / untouched");
    row("RT6100 paper", [] { return Click("RT6100", {"SW1-4", "SW1-3", "SW1-5"}, 2, 255); }, QString("Paper width = 83mm ,Printable width = 640dots|").repeated(3).chopped(1) + " / untouched");
    row("RT6400K paper", [] { return Click("RT6400K", {"SW1-7", "SW1-5", "SW1-6"}, 1, 0); }, QString("Paper width & printable width = 58mm ,Printable width = 432dots|").repeated(3).chopped(1) + " / untouched");
    row("RT5500 paper", [] { return Click("RT5500", {"SW1-4", "SW1-3"}, 0); }, "Paper width, printable width undefined|Paper width, printable width undefined / untouched");
    row("RT5503 onboard", [] { return Click("RT5503", {"SW1-5", "SW1-4"}, 1); }, "Onboard Interface - Ethernet|Onboard Interface - Ethernet / untouched");
    row("speed", [] { return Click("MV7500", {"SW2-6", "SW2-7"}, 1) + "|" + Click("RT5502", {"SW3-2", "SW3-1"}, 0); },
        "Print Speed - 180mm/s|Print Speed - 180mm/s / untouched|Print Speed - 150mm/s|Print Speed - 150mm/s / untouched");
    row("RT6400K speed", [] { return Click("RT6400K", {"SW3-4", "SW3-2", "SW3-3"}, 7); }, "Print Speed - 250|Print Speed - 250|Print Speed - 250 / untouched");
    row("MV7120SK density", [] { return Click("MV7120SK", {"SW3-3", "SW3-4", "SW3-5"}, 2); }, "Print Density - 80%|Print Density - 80%|Print Density - 80% / untouched");
    row("KD240 density", [] { return Click("KD240", {"SW3-5", "SW3-6", "SW3-7", "SW3-8"}, 6); }, "Print Density - 85%|Print Density - 85%|Print Density - 85%|Print Density - 85% / untouched");
    row("RT6400K density", [] { return Click("RT6400K", {"SW3-6", "SW3-5", "SW3-7"}, 2); }, "Print Density - 70%|Print Density - 70%|Print Density - 70% / 70%");
    row("KD250 line feed", [] { return Click("KD250", {"SW4-7", "SW4-6"}, 3); }, "Line Feed Reduction - Disable|Line Feed Reduction - Disable / untouched");
    row("RT3206 density and speed", [] { return Click("RT3206", {"SW5-3", "SW5-2"}, 0); }, "Print Density adn Speed - 80mms + 100%|Print Density and Speed - 80mms + 100% / untouched");
    row("RT5600 plain bit", [] { return Click("RT5600", {"SW2-6", "SW2-5"}, 1); }, "< CR > Auto Line Feed - Enable|NULL / untouched");
    row("click before the first read", [] { SwitchViewValues v; v.positions[8] = 0; RefreshSwitch(8, 0, SwitchDefinitions{}, v); RefreshSwitch(9, 0, SwitchDefinitions{}, v); return Text(v.labels[8] + "|" + v.labels[9]); }, "|NULL");
    // Density and Thai boxes after a read.
    row("density", [] { return Derived("RT5600", 0xA0) + "|" + Derived("RT5602", 0x1A) + "|" + Derived("RT3200", 0x55) + "|" + Derived("KD240", 0x05) + "|" + Derived("RT6400K", 0x14) + "|" + Derived("MV7500", 0x14) + "|" + Derived("", 0); },
        "80% / before|Undefined / before|80% / before|null / before|70% / before|before / before|before / before");
    row("density with a bit unselected", [] { return Derived("RT3200", 0xF0, "SW3-5") + "|" + Derived("RT3200", 0xF0, "SW3-8") + "|" + Derived("RT5602", 0xF0, "SW3-7"); }, " / before| / before| / before");
    row("thai", [] { return Derived("RT5503", 0xF0) + "|" + Derived("RT5502", 0x04) + "|" + Derived("RT5500E", 0) + "|" + Derived("RT5503", 0, "SW3-3") + "|" + Derived("RT6400K", 4); },
        "100% / 3 PASS|null / 1 PASS|null / 3 PASS|null / before|Undefined / before");
    // What a read shows.
    row("RT5600 read", [] { return Explain("RT5600", {0, 0, 0x70, 0, 0}, {"SW1-1", "SW1-3", "SW1-4", "SW2-4", "SW3-1", "SW3-3", "SW3-5", "SW4-2", "SW4-8", "SW5-1"}); },
        "Baud Rate - 38400=0|Reserve=0|Onboard Interface - Undefined=0|Before Cut Paper - Cut and without paper feed=0|Print Speed - 250mm/s=0|"
        "Thai Font mode - 3 PASS=0|Print Density - 100%=1|Barcode Height Reduction - Reduce 75%=0|Switch 1 Selection - NAK packet=0|Reserve=0 / 100% / ");
    row("RT3206 all off", [] { return Explain("RT3206", {255, 255, 255, 255, 255}, {"SW1-1", "SW1-8", "SW3-3", "SW4-8", "SW5-1", "SW5-2"}); },
        "Download MCU - ARM=1|Firmware update Mode - Disable (Fixed to OFF)=1|Print Density - 100%=1|ASCII V 0 - Disable=1|Reserve=1|Print Density and Speed - Disable=1 /  / ");
    row("RT5502 bytes unknown", [] { return Explain("RT5502", {std::nullopt, 0, std::nullopt, 0, 0}, {"SW1-1", "SW1-3", "SW3-1", "SW3-3", "SW3-8", "SW2-3"}); },
        "Baud Rate=-1|NULL=-1|Print Speed=-1|NULL=-1|Print Density=-1|Raster Bitmap Printing - Line Print=0 /  / ");
    // Language settings.
    row("code pages", [] { QStringList s; for (int n : {0, 1, 19, 27, 31, 33, 36, 37}) s << Language([n](LanguageState& l) { ApplyCodePageNumber(l, n); }); return s.join('\n'); },
        "0  - Standard|Standard|0 - U.S.A.| -> 0 Standard 0 false\n1  - Japanese|Katakana Japanese|8 - Japan| -> 1 Katakana Japanese 8 false\n"
        "19 - Multilingual(Euro)|Multilingual (Latin+Euro)|0 - U.S.A.| -> 19 Multilingual (Latin+Euro) 0 false\n27 - Windows Arabic/Farsi|Windows Arabic(Farsi)|0 - U.S.A.| -> 27 Windows Arabic(Farsi) 0 false\n"
        "31 - Thai page 14|Thai character code page 14|0 - U.S.A.| -> 31 Thai character code page 14 0 false\n33 - Hebrew|Hebrew New code|0 - U.S.A.| -> 33 Hebrew New code 0 false\n"
        "36 - Cyrillic|Cyrillic|0 - U.S.A.| -> 36 Cyrillic 0 false\n37 - Turkish|Turkish|0 - U.S.A.| -> 37 Turkish 0 false");
    row("charsets", [] { QStringList s; for (int n : {10, 14, 15, 16, 18, 19, -1}) s << Language([n](LanguageState& l) { SelectCharset(l, 3); ApplyCharsetNumber(l, n); }); return s.join(' '); },
        "||10- Denmark II| -> 0  10 false ||15- Ex-Yugoslavia| -> 0  15 false ||15- Ex-Yugoslavia| -> 0  15 false ||16- Indian| -> 0  16 false "
        "||18- Dubai| -> 0  18 false ||| -> 0  - false ||| -> 0  - false");
    row("unknown code page keeps the selection", [] { return Language([](LanguageState& l) { ApplyCodePageNumber(l, 1), ApplyCharsetNumber(l, 3), ApplyCodePageNumber(l, 20); }); },
        "1  - Japanese|Katakana Japanese|8 - Japan| -> 1 Katakana Japanese 8 false");
    row("typed charset", [] { return Language([](LanguageState& l) { SelectCodePage(l, 6), TypeCharsetText(l, "3 - U.K."); }); }, "17 - Cyrillic|Cyrillic|3 - U.K.| -> 17 Cyrillic - false");
    row("outside the lists", [] { return Language([](LanguageState& l) { SelectCodePage(l, 22), SelectCharset(l, 18), SelectNew8x16Font(l, 2); }); }, "||| -> 0  - false");
    row("font", [] { QStringList s; for (auto [v, before] : {std::pair{"ON", -1}, {"ON ", 1}, {"", 0}, {"OFF", -1}, {"OFF", 0}, {"on", 1}, {"O", 1}}) s << Language([v = v, b = before](LanguageState& l) { l.fontPosition = b, ApplyNew8x16FontValue(l, v); }).section('|', 3); return s.join(' '); },
        "ON -> 0  - true ON -> 0  - true OFF -> 0  - false  -> 0  - false ON -> 0  - true OFF -> 0  - false OFF -> 0  - false");
    row("font wire", [] { return Text(New8x16FontWireValue(true) + "|" + New8x16FontWireValue(false)); }, "ON|" + QString(2, QChar(0)));
  }
  void spots() {
    QFETCH(Fn, fn);
    QFETCH(QString, expected);
    QCOMPARE(fn(), expected);
  }

  // Invariants of the source tables, checked for every entry.
  void tables() {
    for (std::size_t i = 0; i < Catalogue().size(); ++i) {
      const PrinterModel& m = Catalogue()[i];
      QVERIFY(m.no > 0 && (i == 0 || m.no > Catalogue()[i - 1].no) && FindModel(m.no) == &m && FindModelByCode(m.code) == &m);
      if (m.listPosition < 0) continue;
      QCOMPARE(ModelListPositionOf(m.code), m.listPosition);
      const bool unknown = m.no >= 18;  // RT3206 and RT3207: the model list text selects no model
      QCOMPARE(int(SelectedModelNoFromText(std::string("x") + m.code + "y")), unknown ? 0 : int(m.no));
    }
    QCOMPARE(ModelListEntries()[kDefaultModelListPosition] + FindModel(11)->code, std::string("RT5600RT5602"));
    QCOMPARE(std::count(ModelListEntries().begin(), ModelListEntries().end(), ""), 0L);
    for (int v = 0; v <= 255; ++v) {
      SwitchBank bank;
      bank.setByte(3, std::uint8_t(v));
      QCOMPARE(NumberOrDash(bank.byteValue(3)) + NumberOrDash(bank.byteValue(2)) + NumberOrDash(bank.byteValue(4)), QString::number(v) + "--");
      QCOMPARE(NumberOrDash(DecodeSwitchReply("_" + std::to_string(v))), QString::number(v));
    }
    // Definitions: bits in order, once each; "Reserve" elsewhere; every field member defined.
    for (int m = 0; m < 256; ++m) {
      const auto table = SwitchDefinitionTable(ModelNo(m));
      const SwitchDefinitions all = ModelDefinitions(ModelNo(m));
      QCOMPARE(table.empty(), !kAllModels.contains(ModelNo(m)));
      QCOMPARE(kAllModels.contains(ModelNo(m)), m != 0 && FindModel(ModelNo(m)) != nullptr);
      for (std::size_t k = 0, last = 0; k < table.size(); last = std::size_t(table[k++].index) + 1)
        QVERIFY2(std::size_t(table[k].index) >= last && all[std::size_t(table[k].index)] == (SwitchDefinition{table[k].on, table[k].off}),
                 qPrintable(QString("model %1 entry %2").arg(m).arg(k)));
      for (int i = 0; i < kSwitchBits; ++i)
        QVERIFY(std::any_of(table.begin(), table.end(), [i](const auto& e) { return e.index == i; }) || all[std::size_t(i)] == (SwitchDefinition{kReserve, kReserve}));
      for (const SwitchField& f : FieldCatalogue())
        for (int k = 0; k < f.width && f.models.contains(ModelNo(m)); ++k) QVERIFY(all[std::size_t(f.bitIndex(k))].on != kReserve);
    }
    QVERIFY(ModelDefinitions(models::RT3206) == ModelDefinitions(models::RT3207));
    // Fields: 2^width values, inside one bank; each member's refresh, and only a member's,
    // evaluates the field; no two fields of one model share a bit; every value composes.
    QCOMPARE(int(FieldCatalogue().size()), int(kFieldVariantCount));
    for (int v = 0; v < kFieldVariantCount; ++v) {
      const SwitchField& f = Field(FieldVariant(v));
      QVERIFY(f.width >= 2 && f.firstBit >= 1 && f.firstBit + f.width - 1 <= kBitsPerSwitch && f.values.size() == 1u << f.width);
      for (int bit = 0; bit < kSwitchBits; ++bit) {
        const auto& evaluated = FieldsOfSwitch(bit);
        const bool member = bit >= f.bitIndex(0) && bit < f.bitIndex(0) + f.width;
        QVERIFY2(member == (std::find(evaluated.begin(), evaluated.end(), v) != evaluated.end()), qPrintable(Text(SwitchName(bit)) + f.id));
      }
      for (int w = v + 1; w < kFieldVariantCount; ++w) {
        const SwitchField& g = Field(FieldVariant(w));
        if (f.bank == g.bank && f.firstBit < g.firstBit + g.width && g.firstBit < f.firstBit + f.width) QVERIFY(!f.models.intersects(g.models));
      }
      for (int m = 1; m < 32; ++m)
        for (int index = 0; index < (1 << f.width) && f.models.contains(ModelNo(m)); ++index) {
          SwitchViewValues view = View(index % 2 ? 255 : 0, {index % 3 ? 255 : 0, 0x5A, 0, 0xA5, 0x33});
          for (int k = 0; k < f.width; ++k) view.positions[std::size_t(f.bitIndex(k))] = (index >> k) & 1;
          SwitchDefinitions active{};
          ApplyModelDefinitions(ModelNo(m), active, view);
          const std::string joint = f.join == FieldJoin::Separator ? " - " : "";
          for (int k = 0; k < f.width; ++k)
            QCOMPARE(view.labels[std::size_t(f.bitIndex(k))], active[std::size_t(f.bitIndex(k))].on + joint + f.values[std::size_t(index)]);
          if (f.setsPrintDensity) QCOMPARE(view.density, f.values[std::size_t(index)]);
          view.positions[std::size_t(f.bitIndex(index % f.width))] = kPositionNone;
          RefreshSwitch(f.bitIndex(0), ModelNo(m), active, view);
          QCOMPARE(view.labels[std::size_t(f.bitIndex(f.width - 1))], active[std::size_t(f.bitIndex(f.width - 1))].on + joint);
        }
    }
    QVERIFY(FieldsOfSwitch(-1).empty() && FieldsOfSwitch(kSwitchBits).empty());
    QCOMPARE(Text(SwitchGroupName(0) + SwitchHandlerName(20) + SwitchLabelName(39)), QString("RBG_SW1_1RBG_SW3_5ClickTXT_SW5_8info"));
    // Language lists: numbers rising, each entry led by its number, both ways mapped.
    for (int p = 0; p < int(CodePageTable().size()); ++p) {
      const CodePageEntry& e = CodePageTable()[std::size_t(p)];
      QVERIFY2(QString(e.entry).startsWith(QString("%1 - ").arg(e.number, -2)) && (p == 0 || e.number > CodePageTable()[std::size_t(p - 1)].number), e.entry);
      QCOMPARE(NumberOrDash(CodePagePositionOfNumber(e.number)) + QString::number(CodePageNumberAt(p)), QString::number(p) + QString::number(e.number));
    }
    for (int p = 0; p < int(CharsetEntries().size()); ++p) {
      const int n = *CharsetNumberAt(p);
      QVERIFY(Text(CharsetEntries()[std::size_t(p)]).startsWith(n < 10 ? QString("%1 - ").arg(n) : QString("%1- ").arg(n)));
      QCOMPARE(CharsetPositionOfNumber(n), std::optional<int>(p));
    }
    QCOMPARE(int(CodePageTable().size() * 100 + CharsetEntries().size()), 2218);
    QCOMPARE(NumberOrDash(CharsetNumberAt(18)) + NumberOrDash(CharsetNumberAt(-1)) + QString::number(CodePageNumberAt(22) + CodePageNumberAt(-1)), QString("--0"));
    for (int position = -1; position < 22; ++position) {
      LanguageState state;
      SelectCodePage(state, 5), SelectCharset(state, 12), SelectCodePage(state, position);
      QCOMPARE(state.codePageNamePosition * 100 + state.charsetPosition, position * 100 + (position == 1 ? 8 : 0));
    }
  }

  // The model choice at start: the file's content (none: no file), the position restored and the
  // model selected, then what the change handler writes back.
  void modelChoice_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    for (auto [content, expected] : {std::pair{"", "6 9 6"}, {"99", "-1 0 -1"}, {"-1", "-1 0 -1"}, {"0006", "0 1 0"}, {" 7x", "7 10 7"},
                                     {"-", "0 1 0"}, {"14", "14 0 14"}, {"8", "8 13 8"}, {"16", "-1 0 -1"}, {"1234", "-1 0 -1"}})
      QTest::newRow(content) << QByteArray(content) << QString(expected);
  }
  void modelChoice() {
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    QFile file(dir.filePath("modelno.dat"));
    if (!content.isEmpty()) QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) && (file.close(), true));
    struct Recorder : Notifier {
      void notify(const UserMessage& m) override { text += m.text + "/" + m.caption + "/" + std::to_string(int(m.icon)) + "/" + m.detail; }
      std::string text;
    } notifier;
    for (int run = 0; run < 2; ++run) {
      const int position = LoadModelChoice(d);
      const std::string text = position >= 0 ? ModelListEntries()[std::size_t(position)] : "";
      QVERIFY(SaveModelChoice(ModelListPositionOf(text), notifier, d));
      QVERIFY(file.open(QIODevice::ReadOnly));
      QCOMPARE(QString("%1 %2 %3").arg(position).arg(SelectedModelNoFromText(text)).arg(QString(file.readAll())), expected);
      file.close();
    }
    QVERIFY(notifier.text.empty() && !QFile::exists(file.fileName() + ".tmp"));
    // A folder holding the temporary file's name: the file is rewritten in place.
    QVERIFY(QDir(dir.path()).mkdir("modelno.dat.tmp") && SaveModelChoice(12, notifier, d) && LoadModelChoice(d) == 12 && notifier.text.empty());
    // Below a plain file nothing can be written: the user is told, and loading gives the default.
    QVERIFY(!SaveModelChoice(3, notifier, file.fileName().toStdString()));
    QCOMPARE(Text(notifier.text), "Can't save default com port setting !!/Error/2/" + file.fileName() + "/modelno.dat: Not a directory");
    QCOMPARE(LoadModelChoice(file.fileName().toStdString()), kDefaultModelListPosition);
    // A long working directory.
    const QString deep = dir.filePath(QString("a-rather-long-directory-name/").repeated(12));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir().mkpath(deep) && QDir::setCurrent(deep) && SaveModelChoice(13, notifier));
    QCOMPARE(LoadModelChoice(), 13);
    QVERIFY(QDir::setCurrent(previous));
  }

  void debugTrace() {
    std::vector<std::string> lines;
    SetDebugMode(false);
    SetTraceSink([&lines](const std::string& line) { lines.push_back(line); });
    DebugTrace("hidden"), DebugOutput("always");
    SetDebugMode(true);
    DebugTrace("shown");
    DebugOutput(std::string(1000, 'x')), DebugOutput(std::string(255, 'y'));
    SetTraceSink({});
    QCOMPARE(lines, (std::vector<std::string>{"always", "shown", std::string(255, 'x'), std::string(255, 'y')}));
    QTemporaryDir dir;
    SetDebugMode(false);
    QVERIFY(!EnableDebugModeFromMarker(dir.path().toStdString()) && !DebugModeOn());
    QVERIFY(QFile(dir.filePath("debugmode.dat")).open(QIODevice::WriteOnly));
    QVERIFY(EnableDebugModeFromMarker(dir.path().toStdString()) && QFile::remove(dir.filePath("debugmode.dat")));
    QVERIFY(EnableDebugModeFromMarker(dir.path().toStdString()) && DebugModeOn());  // never switched off again
  }
};

QTEST_GUILESS_MAIN(ModelTest)
#include "test_model.moc"
