#include <QtTest>
#include <set>

#include "model/model_set.h"
#include "model/switch_fields.h"
#include "model/switch_view.h"
#include "switch_test_helpers.h"

using namespace kestrova;
using namespace switch_test;

namespace {

const char* const kUntouched = "untouched";

std::vector<ModelNo> ModelsOf(const SwitchField& f) {
  std::vector<ModelNo> out;
  for (int m = 1; m < 32; ++m)
    if (f.models.contains(static_cast<ModelNo>(m))) out.push_back(static_cast<ModelNo>(m));
  return out;
}

// Sets the bits (lowest first) to the positions of index: a 1 bit of the index is OFF.
void SetIndex(SwitchViewValues& view, const std::vector<int>& bits, int index) {
  for (std::size_t k = 0; k < bits.size(); ++k)
    view.positions[static_cast<std::size_t>(bits[k])] = (index >> k) & 1 ? kPositionOff : kPositionOn;
}

std::vector<int> MembersOf(const SwitchField& f) {
  std::vector<int> bits;
  for (int k = 0; k < f.width; ++k) bits.push_back(f.bitIndex(k));
  return bits;
}

}  // namespace

class SwitchFieldsTest : public QObject {
  Q_OBJECT
 private slots:
  // Labels and density box after a click on the first member, typed from the documentation: one
  // label for all members, or one per member.
  void spotValues() {
    const struct {
      const char *model, *bits;
      int index;
      const char* density;
      QStringList labels;
    } rows[] = {
        {"RT3200", "SW1-1 SW1-2", 1, kUntouched, {"Baud Rate - 115200"}},
        {"RT5600", "SW1-1 SW1-2", 1, kUntouched, {"Baud Rate - 19200"}},
        {"MV7120SK", "SW1-1 SW1-2", 1, kUntouched, {"Baud Rate - 9600"}},
        {"RT6100", "SW1-1 SW1-2", 0, kUntouched, {"Baud Rate - 38400 (USB CDC)"}},
        {"KD250", "SW1-1 SW1-2", 3, kUntouched, {"Interface - WiFi"}},
        {"RT6100", "SW1-3 SW1-4 SW1-5", 1, kUntouched, {"Paper width = 83mm ,Printable width = 640dots"}},
        {"RT6400K", "SW1-5 SW1-6 SW1-7", 4, kUntouched, {"Paper width & printable width = 58mm ,Printable width = 432dots"}},
        {"RT5500", "SW1-3 SW1-4", 0, kUntouched, {"Paper width, printable width undefined"}},
        {"RT5503", "SW1-4 SW1-5", 2, kUntouched, {"Onboard Interface - Ethernet"}},
        {"MV7500", "SW2-6 SW2-7", 1, kUntouched, {"Print Speed - 180mm/s"}},
        {"RT5502", "SW3-1 SW3-2", 0, kUntouched, {"Print Speed - 150mm/s"}},
        {"RT6100", "SW3-2 SW3-3 SW3-4", 7, kUntouched, {"Print Speed - 300"}},
        {"RT6400K", "SW3-2 SW3-3 SW3-4", 7, kUntouched, {"Print Speed - 250"}},
        {"MV7120SK", "SW3-3 SW3-4 SW3-5", 2, kUntouched, {"Print Density - 80%"}},
        {"RT3207", "SW3-3 SW3-4 SW3-5", 4, kUntouched, {"Print Density - 130%"}},
        {"RT3200", "SW3-5 SW3-6 SW3-7 SW3-8", 0, kUntouched, {"Print Density - null"}},
        {"KD240", "SW3-5 SW3-6 SW3-7 SW3-8", 6, kUntouched, {"Print Density - 85%"}},
        {"RT5602", "SW3-5 SW3-6 SW3-7", 0, kUntouched, {"Print Density - Undefined"}},
        {"RT6400K", "SW3-5 SW3-6 SW3-7", 1, "70%", {"Print Density - 70%"}},
        {"RT3200", "SW4-2 SW4-3", 2, kUntouched, {"Barcode Height Reduction - Reduce 25%"}},
        {"RT3206", "SW4-4 SW4-5", 0, kUntouched, {"Line Space Reduction - Reduce 75%"}},
        {"KD250", "SW4-6 SW4-7", 3, kUntouched, {"Line Feed Reduction - Disable"}},
        {"RT3206", "SW5-2 SW5-3", 0, kUntouched, {"Print Density and Speed - 80mms + 100%", "Print Density adn Speed - 80mms + 100%"}},
    };
    for (const auto& row : rows) {
      const std::vector<int> members = Bits(row.bits);
      const SwitchDefinitions active = ModelDefinitions(Model(row.model));
      for (int background : {0x00, 0xFF}) {
        SwitchViewValues view = ViewOfBytes(background, background, background, background, background);
        SetIndex(view, members, row.index);
        view.density = kUntouched;
        RefreshSwitch(members[0], Model(row.model), active, view);
        QStringList got, expected;
        for (std::size_t k = 0; k < members.size(); ++k) {
          got << Q(view.labels[std::size_t(members[k])]);
          expected << row.labels[std::min<int>(int(k), row.labels.size() - 1)];
        }
        const QString key = QString("%1 %2 %3: ").arg(row.model, row.bits).arg(row.index);
        QCOMPARE(key + got.join('|') + " / " + Q(view.density), key + expected.join('|') + " / " + row.density);
      }
    }
  }

  // Every variant, model and index, after a read and after a click on each member: the member
  // labels are the member's ON text, the join and the value; a member with nothing selected
  // leaves the value empty.
  void everyVariantComposesOnEveryMember_data() {
    QTest::addColumn<int>("variant");
    for (int v = 0; v < kFieldVariantCount; ++v) QTest::addRow("%s #%d", Field(FieldVariant(v)).id, v) << v;
  }
  void everyVariantComposesOnEveryMember() {
    QFETCH(int, variant);
    const SwitchField& f = Field(static_cast<FieldVariant>(variant));
    const std::vector<int> members = MembersOf(f);
    const std::string joint = f.join == FieldJoin::Separator ? " - " : "";
    for (ModelNo m : ModelsOf(f)) {
      const SwitchDefinitions defs = ModelDefinitions(m);
      auto expect = [&](const SwitchViewValues& view, const std::string& value, const char* what) {
        for (int bit : members)
          QVERIFY2(view.labels[static_cast<std::size_t>(bit)] == defs[static_cast<std::size_t>(bit)].on + joint + value,
                   qPrintable(QString("%1 model %2: %3").arg(what).arg(m).arg(Q(view.labels[std::size_t(bit)]))));
      };
      for (int index = 0; index < (1 << f.width); ++index)
        for (int background : {0x00, 0xFF}) {
          const std::string value = f.values[static_cast<std::size_t>(index)];
          SwitchViewValues read = ViewOfBytes(background, background, background, background, background);
          SetIndex(read, members, index);
          read.density = kUntouched;
          SwitchDefinitions active{};
          ApplyModelDefinitions(m, active, read);
          expect(read, value, "read");
          if (f.setsPrintDensity) QCOMPARE(Q(read.density), Q(value));
          for (int clicked : members) {
            SwitchViewValues click = ViewOfBytes(background, background, background, background, background);
            SetIndex(click, members, index);
            click.labels.fill("before");
            click.density = kUntouched;
            RefreshSwitch(clicked, m, active, click);
            expect(click, value, "click");
            QCOMPARE(Q(click.density), f.setsPrintDensity ? Q(value) : QString(kUntouched));
            // The same with one member unselected.
            click.positions[static_cast<std::size_t>(members[std::size_t(index) % members.size()])] = kPositionNone;
            RefreshSwitch(clicked, m, active, click);
            expect(click, "", "unselected");
            QCOMPARE(Q(click.density), f.setsPrintDensity ? QString("") : QString(kUntouched));
          }
        }
    }
  }

  // The catalogue's shape: 2^width values, members inside one bank, each member's refresh
  // evaluates the variant, no refresh evaluates a variant it is not a member of, and no two
  // variants sharing a bit apply to one model.
  void catalogueIsConsistent() {
    QCOMPARE(static_cast<int>(FieldCatalogue().size()), static_cast<int>(kFieldVariantCount));
    for (int v = 0; v < kFieldVariantCount; ++v) {
      const SwitchField& f = Field(static_cast<FieldVariant>(v));
      QVERIFY(f.width >= 2 && f.width <= 4);
      QVERIFY(f.firstBit >= 1 && f.firstBit + f.width - 1 <= kBitsPerSwitch);
      QCOMPARE(f.values.size(), std::size_t(1) << f.width);
      QVERIFY(!f.models.empty());
      for (int bit = 0; bit < kSwitchBits; ++bit) {
        const auto& evaluated = FieldsOfSwitch(bit);
        const std::vector<int> members = MembersOf(f);
        const bool member = std::find(members.begin(), members.end(), bit) != members.end();
        QVERIFY2(member == (std::find(evaluated.begin(), evaluated.end(), v) != evaluated.end()),
                 qPrintable(QString("%1 #%2 at %3").arg(f.id).arg(v).arg(Q(SwitchName(bit)))));
      }
      for (int w = v + 1; w < kFieldVariantCount; ++w) {
        const SwitchField& g = Field(static_cast<FieldVariant>(w));
        const bool share = f.bank == g.bank && f.firstBit < g.firstBit + g.width && g.firstBit < f.firstBit + f.width;
        if (share) QVERIFY2(!f.models.intersects(g.models), qPrintable(QString("%1 / %2").arg(v).arg(w)));
      }
    }
    QVERIFY(FieldsOfSwitch(-1).empty());
    QVERIFY(FieldsOfSwitch(kSwitchBits).empty());
  }

  // Bits outside every field of the model show their own ON or OFF text; the refreshes give the
  // same labels in any order.
  void otherBitsAndHandlerOrder() {
    for (int m = 0; m < 32; ++m) {
      if (m && !FindModel(static_cast<ModelNo>(m))) continue;
      std::set<int> fieldBits;
      for (const SwitchField& f : FieldCatalogue())
        if (f.models.contains(static_cast<ModelNo>(m)))
          for (int bit : MembersOf(f)) fieldBits.insert(bit);
      const SwitchDefinitions expected = ModelDefinitions(static_cast<ModelNo>(m));
      for (int seed : {0, 1, 2, 3}) {
        const SwitchViewValues start = seed == 0 ? ViewOfBytes(0x00, 0xFF, 0xA5, 0x5A, 0x0F)
                                                 : ViewOfBytes(0x35 * seed & 0xFF, 0x9A * seed & 0xFF, 0x6C * seed & 0xFF,
                                                               0xC3 * seed & 0xFF, 0x17 * seed & 0xFF);
        SwitchViewValues inOrder = start, reversed = start, shuffled = start;
        SwitchDefinitions active{};
        ApplyModelDefinitions(static_cast<ModelNo>(m), active, inOrder);
        for (int i = 0; i < kSwitchBits; ++i) {
          if (fieldBits.count(i)) continue;
          const auto& d = expected[static_cast<std::size_t>(i)];
          QCOMPARE(inOrder.labels[std::size_t(i)], inOrder.positions[std::size_t(i)] == kPositionOn ? d.on : d.off);
        }
        for (int i = kSwitchBits - 1; i >= 0; --i) RefreshSwitch(i, static_cast<ModelNo>(m), active, reversed);
        for (int i = 0; i < kSwitchBits; ++i)
          RefreshSwitch((i * 17 + seed) % kSwitchBits, static_cast<ModelNo>(m), active, shuffled);
        QCOMPARE(reversed.labels, inOrder.labels);
        QCOMPARE(shuffled.labels, inOrder.labels);
      }
    }
  }

  // RT5600 has no field on SW2-6: a click there changes only the clicked label. (With no model
  // identified no field is composed: see the "Reserve" labels of model 0 above.)
  void clickOnAPlainBitChangesOnlyItsLabel() {
    SwitchViewValues view = ViewOfBytes(0, 0x20, 0, 0, 0);
    SwitchDefinitions active{};
    ApplyModelDefinitions(models::RT5600, active, view);
    view.labels.fill("marker");
    view.density = kUntouched;
    RefreshSwitch(Bit("SW2-6"), models::RT5600, active, view);
    for (int i = 0; i < kSwitchBits; ++i)
      QCOMPARE(Q(view.labels[std::size_t(i)]), i == Bit("SW2-6") ? QString("< CR > Auto Line Feed - Enable") : QString("marker"));
    QCOMPARE(Q(view.density), QString(kUntouched));
  }

  void handlerNames() {
    QCOMPARE(Q(SwitchGroupName(Bit("SW1-1"))), QString("RBG_SW1_1"));
    QCOMPARE(Q(SwitchHandlerName(Bit("SW3-5"))), QString("RBG_SW3_5Click"));
    QCOMPARE(Q(SwitchLabelName(Bit("SW5-8"))), QString("TXT_SW5_8info"));
    std::set<std::string> names;
    for (int i = 0; i < kSwitchBits; ++i) names.insert(SwitchHandlerName(i));
    QCOMPARE(names.size(), std::size_t(kSwitchBits));
  }
};

QTEST_APPLESS_MAIN(SwitchFieldsTest)
#include "test_switch_fields.moc"
