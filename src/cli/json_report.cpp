#include "cli/json_report.h"

#include <QJsonDocument>
#include <QJsonValue>

#include "model/printer_record.h"

namespace kestrova::cli {

QJsonArray ModelsJson() {
  QJsonArray models;
  for (const PrinterModel& m : Catalogue())
    models.append(QJsonObject{{"no", static_cast<int>(m.no)}, {"code", QString::fromLatin1(m.code)},
                              {"listed", m.listPosition >= 0}});
  return models;
}

QJsonObject ExplainJson(ModelNo model, const SwitchExplanation& e) {
  return {{"model", ModelJson(model)},
          {"switches", SwitchesJson(e.positions, e.labels)},
          {"printDensity", JsonText(e.printDensity)},
          {"thaiPass", JsonText(e.thaiPass)}};
}

QJsonObject FailureJson(const LinkFailure& failure) {
  return {{"ok", false}, {"error", JsonText(failure.message)}, {"cause", JsonText(failure.cause)}};
}

namespace {

// The values a read did not take cleanly: "SW1".."SW5" and the keys of "printer".
QJsonArray UncleanJson(const ReadIntegrity& integrity) {
  QJsonArray names;
  for (const Query& q : Queries()) {
    if (integrity.isClean(q.step)) continue;
    names.append(q.effect == QueryEffect::Switch ? QString("SW%1").arg(q.switchNo)
                                                 : QString::fromLatin1(RecordFieldInfoOf(q.field).jsonKey));
  }
  return names;
}

}  // namespace

QJsonObject ReadJson(const ReadReport& report, bool withLink) {
  QJsonObject o;
  if (report.failure) {
    o = FailureJson(*report.failure);
  } else {
    const PlainReadObserver& s = report.state;
    QJsonObject printer;
    for (const RecordFieldInfo& f : RecordFields()) printer.insert(f.jsonKey, JsonText(s.record.text(f.field)));
    QJsonArray bytes;
    for (const auto& b : s.replyBytes) bytes.append(b ? QJsonValue(static_cast<int>(*b)) : QJsonValue(QJsonValue::Null));
    QJsonArray log;
    for (const std::string& line : s.log) log.append(JsonText(line));
    o = {{"ok", true},
         {"model", ModelJson(s.record.activeModelNo)},
         {"printer", printer},
         {"bytes", bytes},
         {"switches", SwitchesJson(s.view.positions, s.view.labels)},
         {"log", log},
         {"unclean", UncleanJson(s.integrity)}};
  }
  if (withLink) o.insert("link", QString::fromStdString(report.target.label()));
  return o;
}

std::string JsonLine(const QJsonObject& object) {
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

std::string JsonLine(const QJsonArray& array) {
  return QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

}  // namespace kestrova::cli
