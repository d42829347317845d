#pragma once
// The JSON pieces a read and a profile share: the model, the 40 switches, printer texts.
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <array>
#include <string>

#include "model/catalogue.h"
#include "model/switch_bank.h"

namespace kestrova::profile {

// Printer and table texts as JSON strings, byte for byte (Latin-1), so no reply byte is lost.
QString JsonText(const std::string& text);
// {"no": 9, "code": "RT5600"}; code null for ModelNo 0.
QJsonObject ModelJson(ModelNo model);
// 40 x {"name": "SW1-1", "position": "ON"|"OFF"|null, "definition": "..."}
QJsonArray SwitchesJson(const std::array<int, kSwitchBits>& positions,
                        const std::array<std::string, kSwitchBits>& labels);

}  // namespace kestrova::profile
