#pragma once
// The JSON of the command-line tool: the model list, explain, a read (and a failed one), and the
// configuration file that `write --from` takes (the JSON a read printed).
#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <optional>
#include <string>

#include "cli/cli_request.h"
#include "cli/printer_jobs.h"
#include "model/switch_explain.h"

namespace kestrova::cli {

// Printer and table texts as JSON strings, byte for byte (Latin-1), so no reply byte is lost.
QString JsonText(const std::string& text);

// {"no": 9, "code": "RT5600"}; code null for ModelNo 0.
QJsonObject ModelJson(ModelNo model);
// [{"no": 1, "code": "RT3200", "listed": true}, ...]
QJsonArray ModelsJson();
// 40 x {"name": "SW1-1", "position": "ON"|"OFF"|null, "definition": "..."}
QJsonArray SwitchesJson(const std::array<int, kSwitchBits>& positions,
                        const std::array<std::string, kSwitchBits>& labels);
QJsonObject ExplainJson(ModelNo model, const SwitchExplanation& explanation);
// A successful read, or {"ok": false, "error": ..., "cause": ...}; withLink adds "link".
QJsonObject ReadJson(const ReadReport& report, bool withLink);
QJsonObject FailureJson(const LinkFailure& failure);

// One line of compact JSON, newline included.
std::string JsonLine(const QJsonObject& object);
std::string JsonLine(const QJsonArray& array);

// The values of a read's JSON; nullopt with error naming the fault.
std::optional<SavedConfiguration> ParseSavedConfiguration(const QByteArray& json, std::string& error);

}  // namespace kestrova::cli
