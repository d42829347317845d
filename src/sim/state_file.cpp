#include "sim/state_file.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace kestrova::sim {

namespace {

// The text fields of PrinterValues with their JSON keys.
struct TextField {
  const char* key;
  QByteArray PrinterValues::*field;
};
const TextField kTextFields[] = {
    {"modelName", &PrinterValues::modelName},
    {"firmware", &PrinterValues::firmware},
    {"hoursPowered", &PrinterValues::hoursPowered},
    {"cutCount", &PrinterValues::cutCount},
    {"installationDate", &PrinterValues::installationDate},
    {"failedCut", &PrinterValues::failedCut},
    {"linesPrinted", &PrinterValues::linesPrinted},
    {"serialNumber", &PrinterValues::serialNumber},
    {"languageModel", &PrinterValues::languageModel},
    {"fontRom", &PrinterValues::fontRom},
    {"codePageName", &PrinterValues::codePageName},
};

QString Text(const QByteArray& b) { return QString::fromLatin1(b); }
QByteArray Bytes(const QJsonValue& v) { return v.toString().toLatin1(); }

std::optional<quint8> SwitchByte(const QJsonValue& v) {
  if (!v.isDouble()) return std::nullopt;
  const int n = v.toInt(-1);
  if (n < 0 || n > 255) return std::nullopt;
  return static_cast<quint8>(n);
}

}  // namespace

QJsonObject ToJson(const SavedPrinter& printer) {
  const PrinterValues& c = printer.current;
  QJsonObject current;
  for (const auto& f : kTextFields) current[f.key] = Text(c.*f.field);
  QJsonArray switches;
  for (const quint8 b : c.switches) switches.append(int(b));
  current["switches"] = switches;
  current["codePage"] = c.codePage;
  current["charset"] = c.charset;
  current["font8x16"] = c.font8x16;

  const PendingValues& p = printer.pending;
  QJsonObject pending;
  QJsonArray pendingSwitches;
  for (const auto& b : p.switches) pendingSwitches.append(b ? QJsonValue(int(*b)) : QJsonValue());
  pending["switches"] = pendingSwitches;
  if (p.codePage) pending["codePage"] = *p.codePage;
  if (p.codePageName) pending["codePageName"] = Text(*p.codePageName);
  if (p.charset) pending["charset"] = *p.charset;
  if (p.font8x16) pending["font8x16"] = *p.font8x16;

  return QJsonObject{{"current", current}, {"pending", pending}};
}

SavedPrinter FromJson(const QJsonObject& object, const PrinterValues& defaults) {
  SavedPrinter out{defaults, {}};
  const QJsonObject current = object["current"].toObject();
  for (const auto& f : kTextFields)
    if (current[f.key].isString()) out.current.*f.field = Bytes(current[f.key]);
  const QJsonArray switches = current["switches"].toArray();
  for (int i = 0; i < 5 && i < switches.size(); ++i)
    if (const auto b = SwitchByte(switches[i])) out.current.switches[static_cast<std::size_t>(i)] = *b;
  if (current["codePage"].isDouble()) out.current.codePage = current["codePage"].toInt();
  if (current["charset"].isDouble()) out.current.charset = current["charset"].toInt();
  if (current["font8x16"].isBool()) out.current.font8x16 = current["font8x16"].toBool();

  const QJsonObject pending = object["pending"].toObject();
  const QJsonArray pendingSwitches = pending["switches"].toArray();
  for (int i = 0; i < 5 && i < pendingSwitches.size(); ++i)
    out.pending.switches[static_cast<std::size_t>(i)] = SwitchByte(pendingSwitches[i]);
  if (pending["codePage"].isDouble()) out.pending.codePage = pending["codePage"].toInt();
  if (pending["codePageName"].isString()) out.pending.codePageName = Bytes(pending["codePageName"]);
  if (pending["charset"].isDouble()) out.pending.charset = pending["charset"].toInt();
  if (pending["font8x16"].isBool()) out.pending.font8x16 = pending["font8x16"].toBool();
  return out;
}

bool SaveStateFile(const QString& path, const std::vector<SavedPrinter>& printers, QString* error) {
  QJsonArray list;
  for (const auto& p : printers) list.append(ToJson(p));
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly)) {
    file.write(QJsonDocument(QJsonObject{{"printers", list}}).toJson());
    if (file.commit()) return true;
  }
  if (error) *error = QStringLiteral("cannot write state file %1: %2").arg(path, file.errorString());
  return false;
}

std::optional<std::vector<SavedPrinter>> LoadStateFile(const QString& path, const PrinterValues& defaults,
                                                       QString* error) {
  std::vector<SavedPrinter> printers;
  QFile file(path);
  if (!file.exists()) return printers;
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = QStringLiteral("cannot read state file %1: %2").arg(path, file.errorString());
    return std::nullopt;
  }
  QJsonParseError parseError{};
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
  if (!doc.isObject() || !doc.object()["printers"].isArray()) {
    if (error) *error = QStringLiteral("state file %1 is not a simulator state: %2").arg(path, parseError.errorString());
    return std::nullopt;
  }
  for (const QJsonValue& v : doc.object()["printers"].toArray()) printers.push_back(FromJson(v.toObject(), defaults));
  return printers;
}

}  // namespace kestrova::sim
