#include "cli/probe_command.h"

#include <QJsonArray>

#include "cli/json_report.h"
#include "cli/printer_jobs.h"
#include "cli/visible_text.h"

namespace kestrova::cli {

namespace {

struct LineChoice {
  int baud;
  Parity parity;
  const char* parityText;
};

// The speeds from the fastest, each with both parities the window offers.
constexpr LineChoice kChoices[] = {
    {115200, Parity::None, "none"}, {115200, Parity::Even, "even"}, {38400, Parity::None, "none"},
    {38400, Parity::Even, "even"},  {19200, Parity::None, "none"},  {19200, Parity::Even, "even"},
    {9600, Parity::None, "none"},   {9600, Parity::Even, "even"},
};

}  // namespace

int Probe(const Request& r, std::ostream& out, std::ostream& err) {
  const LinkTarget base = r.links.front();
  static const ReplyTerminatedPacing fast;
  QJsonArray answers;
  int found = 0;
  for (const LineChoice& c : kChoices) {
    LinkTarget target = base;
    target.serial.baudRate = c.baud;
    target.serial.parity = c.parity;
    // The read begins with the model-name query and ends at once when no known model answers.
    const ReadReport report = RunToEnd(ReadJob(target, fast, [](int) {}));
    if (!report.ok()) continue;
    ++found;
    const ModelNo model = report.state.record.activeModelNo;
    if (r.json) {
      answers.append(QJsonObject{{"baud", c.baud}, {"parity", c.parityText}, {"model", ModelJson(model)}});
    } else {
      const PrinterModel* m = FindModel(model);
      out << VisibleText(base.device) << ": answers at " << c.baud << " bit/s, parity " << c.parityText << ": "
          << (m ? m->code : "model 0") << "\n";
    }
  }
  if (r.json) out << JsonLine(QJsonObject{{"device", QString::fromStdString(base.device)}, {"answers", answers}});
  if (found == 0) {
    err << VisibleText(base.device) << ": no printer answered at 115200, 38400, 19200 or 9600 bit/s, parity none or even\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace kestrova::cli
