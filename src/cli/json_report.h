#pragma once
// The JSON of the command-line tool: the model list, explain, a read (and a failed one). The
// profile a read prints is read back by profile/printer_profile.h.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <optional>
#include <string>

#include "cli/cli_request.h"
#include "cli/printer_jobs.h"
#include "model/switch_explain.h"
#include "profile/profile_json.h"

namespace kestrova::cli {

using profile::JsonText;
using profile::ModelJson;
using profile::SwitchesJson;

// [{"no": 1, "code": "RT3200", "listed": true}, ...]
QJsonArray ModelsJson();
QJsonObject ExplainJson(ModelNo model, const SwitchExplanation& explanation);
// A successful read, or {"ok": false, "error": ..., "cause": ...}; withLink adds "link".
QJsonObject ReadJson(const ReadReport& report, bool withLink);
QJsonObject FailureJson(const LinkFailure& failure);

// One line of compact JSON, newline included.
std::string JsonLine(const QJsonObject& object);
std::string JsonLine(const QJsonArray& array);


}  // namespace kestrova::cli
