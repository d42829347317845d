#pragma once
// The readable output of the command-line tool: the model list, the switch table (switch,
// position, meaning) and the printer fields.
#include <string>

#include "cli/printer_jobs.h"
#include "model/switch_explain.h"

namespace kestrova::cli {

std::string ModelsText();
std::string ExplainText(ModelNo model, const SwitchExplanation& explanation);
std::string ReadText(const ReadReport& report);

}  // namespace kestrova::cli
