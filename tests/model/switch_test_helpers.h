#pragma once
// Small helpers shared by the switch definition, field and explanation tests.
#include <QString>
#include <QStringList>
#include <QtTest>

#include "model/catalogue.h"
#include "model/switch_bank.h"
#include "model/switch_view.h"

namespace switch_test {

// Model code ("RT5600") to its number; "none" is 0.
inline kestrova::ModelNo Model(const QString& code) {
  if (code == "none") return 0;
  const auto* m = kestrova::FindModelByCode(code.toStdString());
  if (!m) qFatal("unknown model code in test data: %s", qPrintable(code));
  return m->no;
}

// Switch name ("SW3-5") to its bit index.
inline int Bit(const QString& name) {
  const auto index = kestrova::ParseSwitchName(name.toStdString());
  if (!index) qFatal("bad switch name in test data: %s", qPrintable(name));
  return *index;
}

// "SW5-1 SW5-2 ..." to bit indexes; "SWn-*" stands for all eight bits of bank n.
inline std::vector<int> Bits(const QString& names) {
  std::vector<int> bits;
  for (const QString& name : names.split(' ', Qt::SkipEmptyParts)) {
    if (name.endsWith("-*")) {
      const int n = name.mid(2, 1).toInt();
      for (int b = 1; b <= kestrova::kBitsPerSwitch; ++b) bits.push_back(kestrova::SwitchIndex(n, b));
    } else {
      bits.push_back(Bit(name));
    }
  }
  return bits;
}

// A view with the five bytes set, labels "NULL", boxes empty.
inline kestrova::SwitchViewValues ViewOfBytes(int sw1, int sw2, int sw3, int sw4, int sw5) {
  kestrova::SwitchViewValues view;
  kestrova::SwitchBank bank;
  const int bytes[] = {sw1, sw2, sw3, sw4, sw5};
  for (int n = 1; n <= kestrova::kSwitchBytes; ++n) bank.setByte(n, static_cast<std::uint8_t>(bytes[n - 1]));
  view.positions = bank.positions();
  return view;
}

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace switch_test
