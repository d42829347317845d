#include "cli/json_report.h"

#include <QJsonDocument>
#include <QJsonValue>

#include "model/language_settings.h"
#include "model/printer_record.h"

namespace kestrova::cli {

namespace {

QJsonValue PositionJson(int position) {
  if (position == kPositionOn) return QStringLiteral("ON");
  if (position == kPositionOff) return QStringLiteral("OFF");
  return QJsonValue::Null;
}

std::string Trimmed(const QString& text) { return text.trimmed().toLatin1().toStdString(); }

// Position of an entry text in a list; nullopt for the empty text (nothing selected).
template <typename List, typename TextOf>
std::optional<int> EntryPosition(const List& list, const std::string& text, TextOf textOf, const char* key,
                                 std::string& error, bool& bad) {
  if (text.empty()) return std::nullopt;
  for (std::size_t p = 0; p < list.size(); ++p)
    if (text == textOf(list[p])) return static_cast<int>(p);
  error = std::string("printer.") + key + " \"" + text + "\" is no entry of its list";
  bad = true;
  return std::nullopt;
}

}  // namespace

QString JsonText(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

QJsonObject ModelJson(ModelNo model) {
  const PrinterModel* m = FindModel(model);
  return {{"no", static_cast<int>(model)}, {"code", m ? QJsonValue(QString::fromLatin1(m->code)) : QJsonValue::Null}};
}

QJsonArray ModelsJson() {
  QJsonArray models;
  for (const PrinterModel& m : Catalogue())
    models.append(QJsonObject{{"no", static_cast<int>(m.no)}, {"code", QString::fromLatin1(m.code)},
                              {"listed", m.listPosition >= 0}});
  return models;
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

QJsonObject ExplainJson(ModelNo model, const SwitchExplanation& e) {
  return {{"model", ModelJson(model)},
          {"switches", SwitchesJson(e.positions, e.labels)},
          {"printDensity", JsonText(e.printDensity)},
          {"thaiPass", JsonText(e.thaiPass)}};
}

QJsonObject FailureJson(const LinkFailure& failure) {
  return {{"ok", false}, {"error", JsonText(failure.message)}, {"cause", JsonText(failure.cause)}};
}

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
         {"log", log}};
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

std::optional<SavedConfiguration> ParseSavedConfiguration(const QByteArray& json, std::string& error) {
  QJsonParseError parseError{};
  const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
  if (doc.isNull()) {
    error = "not JSON: " + parseError.errorString().toStdString() + " at offset " + std::to_string(parseError.offset);
    return std::nullopt;
  }
  if (!doc.isObject()) {
    error = "expected one JSON object, as `kestrova-swctl read --json` prints it";
    return std::nullopt;
  }
  const QJsonObject root = doc.object();
  if (root.value("ok") == QJsonValue(false)) {
    error = "the file records a failed read";
    return std::nullopt;
  }
  SavedConfiguration saved;

  const QJsonValue no = root.value("model").toObject().value("no");
  const double n = no.toDouble(-1);
  if (!no.isDouble() || n != static_cast<int>(n) || n < 0 || n > 255 ||
      (n != 0 && !FindModel(static_cast<ModelNo>(n)))) {
    error = "model.no is missing or no model of the catalogue";
    return std::nullopt;
  }
  saved.model = static_cast<ModelNo>(n);

  const QJsonArray bytes = root.value("bytes").toArray();
  if (!root.value("bytes").isArray() || bytes.size() != kSwitchBytes) {
    error = "bytes must hold five values (a number from 0 to 255, or null)";
    return std::nullopt;
  }
  for (int i = 0; i < kSwitchBytes; ++i) {
    const QJsonValue v = bytes.at(i);
    if (v.isNull()) continue;
    const double b = v.toDouble(-1);
    if (!v.isDouble() || b != static_cast<int>(b) || b < 0 || b > 255) {
      error = "bytes[" + std::to_string(i) + "] is not a number from 0 to 255";
      return std::nullopt;
    }
    saved.bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(b);
  }

  const QJsonObject printer = root.value("printer").toObject();
  bool bad = false;
  saved.codePagePosition = EntryPosition(
      CodePageTable(), Trimmed(printer.value("codePage").toString()),
      [](const CodePageEntry& e) { return std::string(e.entry); }, "codePage", error, bad);
  if (bad) return std::nullopt;
  saved.charsetPosition = EntryPosition(
      CharsetEntries(), Trimmed(printer.value("internationalCharSet").toString()),
      [](const std::string& e) { return e; }, "internationalCharSet", error, bad);
  if (bad) return std::nullopt;
  saved.fontPosition = EntryPosition(
      New8x16FontEntries(), Trimmed(printer.value("new8x16Font").toString()),
      [](const std::string& e) { return e; }, "new8x16Font", error, bad);
  if (bad) return std::nullopt;
  return saved;
}

}  // namespace kestrova::cli
