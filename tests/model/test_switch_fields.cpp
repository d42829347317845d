#include <QtTest>

#include <set>

#include "model/model_set.h"
#include "model/switch_definitions.h"
#include "model/switch_fields.h"
#include "model/switch_view.h"
#include "switch_test_helpers.h"

using namespace kestrova;
using namespace switch_test;

namespace {

// One field variant as the label texts show it: the ON text of each member bit and the value by
// field index; separator fields put " - " between them.
struct FieldCase {
  QString id;
  QStringList models;
  QStringList bits;   // lowest bit first
  QStringList names;  // ON text per member bit
  QStringList values;
  bool separator = false;
  bool setsDensity = false;
};

QStringList Repeat(const QString& text, int n) {
  QStringList list;
  for (int i = 0; i < n; ++i) list << text;
  return list;
}

const QStringList kAll = {"RT3200", "RT5500",  "RT6100",  "RT4300", "KD240",  "KD250",    "RT5600", "RT4300X", "RT5602",
                          "RT5502", "RT5500E", "RT6400K", "RT5503", "MV7500", "MV7120SK", "RT3206", "RT3207"};

const std::vector<FieldCase>& Cases() {
  static const std::vector<FieldCase> cases = [] {
    std::vector<FieldCase> c;
    const QStringList sw1_12 = {"SW1-1", "SW1-2"};
    c.push_back({"F1", {"RT3200", "RT5500"}, sw1_12, Repeat("Baud Rate", 2),
                 {" - 38400", " - 115200", " - 9600", " - 19200"}});
    c.push_back({"F1", {"RT4300", "RT5600", "RT4300X", "RT5602", "RT5502", "RT6400K", "RT5503"}, sw1_12,
                 Repeat("Baud Rate", 2), {" - 38400", " - 19200", " - 9600", " - 115200"}});
    c.push_back({"F1", {"RT5500E", "MV7120SK"}, sw1_12, Repeat("Baud Rate", 2),
                 {" - 38400", " - 9600", " - 19200", " - 115200"}});
    c.push_back({"F1", {"RT6100"}, sw1_12, Repeat("Baud Rate", 2),
                 {" - 38400 (USB CDC)", " - 115200 (Printer Class)", " - 9600", " - 19200"}});
    c.push_back({"F1", {"KD250"}, sw1_12, Repeat("Interface", 2), {" - VCOM", " - Undefined", " - Printer Class", " - WiFi"}});
    const QStringList width3 = {" = 83mm ,Printable width = 640dots", " = 83mm ,Printable width = 640dots",
                                " = 83mm ,Printable width = 576dots", " = 83mm ,Printable width = 512dots",
                                " = 58mm ,Printable width = 432dots", " = 58mm ,Printable width = 424dots",
                                " = 80mm ,Printable width = 576dots", " = 80mm ,Printable width = 512dots"};
    c.push_back({"F2", {"RT6100"}, {"SW1-3", "SW1-4", "SW1-5"}, Repeat("Paper width", 3), width3});
    c.push_back({"F2", {"RT6400K"}, {"SW1-5", "SW1-6", "SW1-7"}, Repeat("Paper width & printable width", 3), width3});
    c.push_back({"F2", {"RT5500"}, {"SW1-3", "SW1-4"}, Repeat("Paper width", 2),
                 {", printable width undefined", " = 58mm ,Printable width = 424dots",
                  " = 80mm ,Printable width = 576dots", " = 80mm ,Printable width = 512dots"}});
    c.push_back({"F3", {"RT5600", "RT4300X", "RT5503"}, {"SW1-4", "SW1-5"}, Repeat("Onboard Interface", 2),
                 {" - Undefined", " - Serial", " - Ethernet", " - USB"}});
    c.push_back({"F4", {"MV7500", "MV7120SK"}, {"SW2-6", "SW2-7"}, Repeat("Print Speed", 2),
                 {" - 250mm/s", " - 180mm/s", " - 200mm/s", " - 220mm/s"}});
    c.push_back({"F5", {"RT5600", "RT5602"}, {"SW3-1", "SW3-2"}, Repeat("Print Speed", 2),
                 {" - 250mm/s", " - 180mm/s", " - 200mm/s", " - 220mm/s"}});
    c.push_back({"F5", {"RT5502", "RT5500E", "RT5503"}, {"SW3-1", "SW3-2"}, Repeat("Print Speed", 2),
                 {" - 150mm/s", " - 180mm/s", " - 200mm/s", " - 220mm/s"}});
    c.push_back({"F6", {"RT6100"}, {"SW3-2", "SW3-3", "SW3-4"}, Repeat("Print Speed", 3),
                 {" - Undefined", " - Undefined", " - 180", " - 200", " - 220", " - 250", " - 280", " - 300"}});
    c.push_back({"F6", {"RT6400K"}, {"SW3-2", "SW3-3", "SW3-4"}, Repeat("Print Speed", 3),
                 {" - Undefined", " - Undefined", " - 180", " - 200", " - 220", " - 280", " - 300", " - 250"}});
    c.push_back({"F7", {"MV7500", "RT3206", "RT3207"}, {"SW3-3", "SW3-4", "SW3-5"}, Repeat("Print Density", 3),
                 {" - Undefined", " - Undefined", " - Undefined", " - Undefined", " - 130%", " - 120%", " - 110%",
                  " - 100%"}});
    c.push_back({"F7", {"MV7120SK"}, {"SW3-3", "SW3-4", "SW3-5"}, Repeat("Print Density", 3),
                 {" - Undefined", " - 130%", " - 80%", " - 110%", " - Undefined", " - 120%", " - 90%", " - 100%"}});
    c.push_back({"F8",
                 {"RT3200", "RT5500", "RT6100", "RT4300", "KD240", "KD250", "RT4300X", "RT5502", "RT5500E", "RT5503"},
                 {"SW3-5", "SW3-6", "SW3-7", "SW3-8"},
                 Repeat("Print Density", 4),
                 {" - null", " - null", " - null", " - null", " - null", " - 80%", " - 85%", " - 90%", " - 95%",
                  " - 130%", " - 125%", " - 120%", " - 115%", " - 110%", " - 105%", " - 100%"}});
    c.push_back({"F9", {"RT5600", "RT5602"}, {"SW3-5", "SW3-6", "SW3-7"}, Repeat("Print Density", 3),
                 {"Undefined", "Undefined", "80%", "90%", "130%", "120%", "110%", "100%"}, true, false});
    c.push_back({"F9", {"RT6400K"}, {"SW3-5", "SW3-6", "SW3-7"}, Repeat("Print Density", 3),
                 {"Undefined", "70%", "80%", "90%", "130%", "120%", "110%", "100%"}, true, true});
    const QStringList reduction = {" - Reduce 75%", " - Reduce 50%", " - Reduce 25%", " - Disable"};
    c.push_back({"F10", kAll, {"SW4-2", "SW4-3"}, Repeat("Barcode Height Reduction", 2), reduction});
    c.push_back({"F11", kAll, {"SW4-4", "SW4-5"}, Repeat("Line Space Reduction", 2), reduction});
    c.push_back({"F12", kAll, {"SW4-6", "SW4-7"}, Repeat("Line Feed Reduction", 2), reduction});
    c.push_back({"F13", {"RT3206", "RT3207"}, {"SW5-2", "SW5-3"}, {"Print Density and Speed", "Print Density adn Speed"},
                 {" - 80mms + 100%", " - 100mms + 90%", " - 150mms + 80%", " - Disable"}});
    return c;
  }();
  return cases;
}

QString Label(const FieldCase& c, int k, const QString& value) {
  return c.names[k] + (c.separator ? " - " : "") + value;
}

// Sets the member bits of a case to the positions of index.
void SetIndex(SwitchViewValues& view, const FieldCase& c, int index) {
  for (int k = 0; k < c.bits.size(); ++k)
    view.positions[static_cast<std::size_t>(Bit(c.bits[k]))] = (index >> k) & 1 ? kPositionOff : kPositionOn;
}

const char* const kUntouched = "untouched";

}  // namespace

class SwitchFieldsTest : public QObject {
  Q_OBJECT
 private slots:
  // Every variant of every field, for each of its models and every index, as a read shows it and
  // as a click on each member bit shows it.
  void fieldValues_data() {
    QTest::addColumn<int>("caseNo");
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("background");  // the other bits: all ON or all OFF
    const auto& cases = Cases();
    for (int n = 0; n < static_cast<int>(cases.size()); ++n)
      for (const QString& model : cases[static_cast<std::size_t>(n)].models)
        for (int index = 0; index < cases[static_cast<std::size_t>(n)].values.size(); ++index)
          for (int background : {0x00, 0xFF})
            QTest::addRow("%s %s index %d bg %02X", qPrintable(cases[static_cast<std::size_t>(n)].id),
                          qPrintable(model), index, background)
                << n << model << index << background;
  }
  void fieldValues() {
    QFETCH(int, caseNo);
    QFETCH(QString, model);
    QFETCH(int, index);
    QFETCH(int, background);
    const FieldCase& c = Cases()[static_cast<std::size_t>(caseNo)];
    const ModelNo m = Model(model);
    const QString value = c.values[index];

    // After a read.
    SwitchViewValues view = ViewOfBytes(background, background, background, background, background);
    SetIndex(view, c, index);
    view.density = kUntouched;
    SwitchDefinitions active{};
    ApplyModelDefinitions(m, active, view);
    for (int k = 0; k < c.bits.size(); ++k)
      QCOMPARE(Q(view.labels[static_cast<std::size_t>(Bit(c.bits[k]))]), Label(c, k, value));
    if (c.setsDensity) QCOMPARE(Q(view.density), value);

    // A click on any one member bit recomposes the whole field.
    for (const QString& clicked : c.bits) {
      SwitchViewValues clickView = ViewOfBytes(background, background, background, background, background);
      SetIndex(clickView, c, index);
      clickView.labels.fill("before");
      clickView.density = kUntouched;
      RefreshSwitch(Bit(clicked), m, active, clickView);
      for (int k = 0; k < c.bits.size(); ++k)
        QCOMPARE(Q(clickView.labels[static_cast<std::size_t>(Bit(c.bits[k]))]), Label(c, k, value));
      QCOMPARE(Q(clickView.density), c.setsDensity ? value : QString(kUntouched));
    }
  }

  // A member whose group has nothing selected: every label of the field shows its bare ON text
  // (separator fields the ON text and " - "), and RT6400K's density box is cleared.
  void partnerWithoutSelection_data() {
    QTest::addColumn<int>("caseNo");
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("unselected");  // member number
    QTest::addColumn<int>("index");       // positions of the others
    const auto& cases = Cases();
    for (int n = 0; n < static_cast<int>(cases.size()); ++n) {
      const FieldCase& c = cases[static_cast<std::size_t>(n)];
      for (const QString& model : c.models)
        for (int k = 0; k < c.bits.size(); ++k)
          for (int index : {0, static_cast<int>(c.values.size()) - 1, 1, 2})
            QTest::addRow("%s %s %s none, others %d", qPrintable(c.id), qPrintable(model), qPrintable(c.bits[k]),
                          index)
                << n << model << k << index;
    }
  }
  void partnerWithoutSelection() {
    QFETCH(int, caseNo);
    QFETCH(QString, model);
    QFETCH(int, unselected);
    QFETCH(int, index);
    const FieldCase& c = Cases()[static_cast<std::size_t>(caseNo)];
    const ModelNo m = Model(model);
    const SwitchDefinitions active = ModelDefinitions(m);
    for (const QString& clicked : c.bits) {
      SwitchViewValues view = ViewOfBytes(0, 0, 0, 0, 0);
      SetIndex(view, c, index);
      view.positions[static_cast<std::size_t>(Bit(c.bits[unselected]))] = kPositionNone;
      view.density = kUntouched;
      RefreshSwitch(Bit(clicked), m, active, view);
      for (int k = 0; k < c.bits.size(); ++k)
        QCOMPARE(Q(view.labels[static_cast<std::size_t>(Bit(c.bits[k]))]), Label(c, k, ""));
      QCOMPARE(Q(view.density), c.setsDensity ? QString("") : QString(kUntouched));
    }
  }

  // Bits that no field of the model covers show their own ON or OFF text: for every model,
  // no model included.
  void otherBitsShowTheirOwnText_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("byte");
    for (const QString& model : kAll + QStringList{"none"})
      for (int byte : {0x00, 0xFF, 0xA5, 0x5A}) QTest::addRow("%s %02X", qPrintable(model), byte) << model << byte;
  }
  void otherBitsShowTheirOwnText() {
    QFETCH(QString, model);
    QFETCH(int, byte);
    const ModelNo m = Model(model);
    std::set<int> fieldBits;
    for (const FieldCase& c : Cases())
      if (c.models.contains(model))
        for (const QString& bit : c.bits) fieldBits.insert(Bit(bit));

    SwitchViewValues view = ViewOfBytes(byte, byte ^ 0x0F, byte, byte ^ 0xF0, byte);
    SwitchDefinitions active{};
    ApplyModelDefinitions(m, active, view);
    const SwitchDefinitions expected = ModelDefinitions(m);
    for (int i = 0; i < kSwitchBits; ++i) {
      if (fieldBits.count(i)) continue;
      const auto& d = expected[static_cast<std::size_t>(i)];
      const std::string& own = view.positions[static_cast<std::size_t>(i)] == kPositionOn ? d.on : d.off;
      QCOMPARE(Q(view.labels[static_cast<std::size_t>(i)]), Q(own));
    }
  }

  // The refresh handlers are all the same function of the positions: running them in any order
  // gives the same labels as the read's order.
  void handlerOrderDoesNotMatter_data() {
    QTest::addColumn<QString>("model");
    for (const QString& model : kAll + QStringList{"none"}) QTest::newRow(qPrintable(model)) << model;
  }
  void handlerOrderDoesNotMatter() {
    QFETCH(QString, model);
    const ModelNo m = Model(model);
    for (int seed : {1, 2, 3}) {
      const SwitchViewValues start = ViewOfBytes(0x35 * seed & 0xFF, 0x9A * seed & 0xFF, 0x6C * seed & 0xFF,
                                                 0xC3 * seed & 0xFF, 0x17 * seed & 0xFF);
      SwitchViewValues inOrder = start, reversed = start, shuffled = start;
      SwitchDefinitions active{};
      ApplyModelDefinitions(m, active, inOrder);
      for (int i = kSwitchBits - 1; i >= 0; --i) RefreshSwitch(i, m, active, reversed);
      for (int i = 0; i < kSwitchBits; ++i) RefreshSwitch((i * 17 + seed) % kSwitchBits, m, active, shuffled);
      QCOMPARE(reversed.labels, inOrder.labels);
      QCOMPARE(shuffled.labels, inOrder.labels);
    }
  }

  // Every catalogue variant is one case: same id, bits, model set, join and density box; and no
  // two variants that share a bit apply to one model.
  void catalogueMatchesTheCases() {
    QCOMPARE(static_cast<int>(Cases().size()), static_cast<int>(kFieldVariantCount));
    for (int v = 0; v < kFieldVariantCount; ++v) {
      const SwitchField& f = Field(static_cast<FieldVariant>(v));
      const FieldCase& c = Cases()[static_cast<std::size_t>(v)];
      QCOMPARE(QString(f.id), c.id);
      QCOMPARE(f.width, static_cast<int>(c.bits.size()));
      QCOMPARE(static_cast<int>(f.values.size()), static_cast<int>(c.values.size()));
      QCOMPARE(f.bitIndex(0), Bit(c.bits[0]));
      for (const QString& model : kAll + QStringList{"none"})
        QCOMPARE(f.models.contains(Model(model)), c.models.contains(model));
      QCOMPARE(f.join == FieldJoin::Separator, c.separator);
      QCOMPARE(f.setsPrintDensity, c.setsDensity);
      for (int w = v + 1; w < kFieldVariantCount; ++w) {
        const SwitchField& g = Field(static_cast<FieldVariant>(w));
        bool share = false;
        for (int k = 0; k < f.width; ++k)
          for (int j = 0; j < g.width; ++j) share = share || f.bitIndex(k) == g.bitIndex(j);
        if (share) QVERIFY2(!f.models.intersects(g.models), qPrintable(QString("%1 / %2").arg(f.id, g.id)));
      }
    }
  }

  // RT5600 has no print-speed field on SW2: a click there changes only the clicked label.
  void clickOnAPlainBitChangesOnlyItsLabel() {
    SwitchViewValues view = ViewOfBytes(0, 0x20, 0, 0, 0);
    SwitchDefinitions active{};
    ApplyModelDefinitions(models::RT5600, active, view);
    view.labels.fill("marker");
    RefreshSwitch(Bit("SW2-6"), models::RT5600, active, view);
    for (int i = 0; i < kSwitchBits; ++i)
      QCOMPARE(Q(view.labels[static_cast<std::size_t>(i)]),
               i == Bit("SW2-6") ? QString("< CR > Auto Line Feed - Enable") : QString("marker"));
  }

  // With no model identified no field is composed, whatever definitions are loaded.
  void noModelComposesNoField() {
    const SwitchDefinitions active = ModelDefinitions(models::RT6400K);
    for (int bit = 0; bit < kSwitchBits; ++bit) {
      SwitchViewValues view = ViewOfBytes(0x5A, 0xA5, 0x10, 0x3C, 0x06);
      view.labels.fill("marker");
      view.density = kUntouched;
      RefreshSwitch(bit, 0, active, view);
      for (int i = 0; i < kSwitchBits; ++i) {
        const auto& d = active[static_cast<std::size_t>(i)];
        const std::string own = view.positions[static_cast<std::size_t>(i)] == kPositionOn ? d.on : d.off;
        QCOMPARE(Q(view.labels[static_cast<std::size_t>(i)]), i == bit ? Q(own) : QString("marker"));
      }
      QCOMPARE(Q(view.density), QString(kUntouched));
    }
  }

  void handlerNames_data() {
    QTest::addColumn<QString>("bit");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("handler");
    QTest::addColumn<QString>("label");
    QTest::newRow("SW1-1") << "SW1-1" << "RBG_SW1_1" << "RBG_SW1_1Click" << "TXT_SW1_1info";
    QTest::newRow("SW3-5") << "SW3-5" << "RBG_SW3_5" << "RBG_SW3_5Click" << "TXT_SW3_5info";
    QTest::newRow("SW5-8") << "SW5-8" << "RBG_SW5_8" << "RBG_SW5_8Click" << "TXT_SW5_8info";
  }
  void handlerNames() {
    QFETCH(QString, bit);
    QFETCH(QString, group);
    QFETCH(QString, handler);
    QFETCH(QString, label);
    QCOMPARE(Q(SwitchGroupName(Bit(bit))), group);
    QCOMPARE(Q(SwitchHandlerName(Bit(bit))), handler);
    QCOMPARE(Q(SwitchLabelName(Bit(bit))), label);
  }
  void fortyDistinctHandlers() {
    std::set<std::string> names;
    for (int i = 0; i < kSwitchBits; ++i) names.insert(SwitchHandlerName(i));
    QCOMPARE(names.size(), std::size_t(kSwitchBits));
  }
};

QTEST_APPLESS_MAIN(SwitchFieldsTest)
#include "test_switch_fields.moc"
