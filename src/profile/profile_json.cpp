#include "profile/profile_json.h"

#include <QJsonValue>

namespace kestrova::profile {

namespace {

QJsonValue PositionJson(int position) {
  if (position == kPositionOn) return QStringLiteral("ON");
  if (position == kPositionOff) return QStringLiteral("OFF");
  return QJsonValue::Null;
}

}  // namespace

QString JsonText(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

QJsonObject ModelJson(ModelNo model) {
  const PrinterModel* m = FindModel(model);
  return {{"no", static_cast<int>(model)}, {"code", m ? QJsonValue(QString::fromLatin1(m->code)) : QJsonValue::Null}};
}

QJsonArray SwitchesJson(const std::array<int, kSwitchBits>& positions,
                        const std::array<std::string, kSwitchBits>& labels) {
  QJsonArray switches;
  for (int i = 0; i < kSwitchBits; ++i) {
    const auto k = static_cast<std::size_t>(i);
    switches.append(QJsonObject{{"name", QString::fromStdString(SwitchName(i))},
                                {"position", PositionJson(positions[k])},
                                {"definition", JsonText(labels[k])}});
  }
  return switches;
}

}  // namespace kestrova::profile
