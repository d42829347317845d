#include "profile/printer_profile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <algorithm>

#include "model/language_settings.h"
#include "model/printer_record.h"
#include "model/switch_explain.h"
#include "profile/profile_json.h"

namespace kestrova::profile {

namespace {

// The line (from 1) of a byte offset.
int LineAt(const QByteArray& json, qsizetype offset) {
  offset = std::clamp<qsizetype>(offset, 0, json.size());
  return 1 + static_cast<int>(std::count(json.begin(), json.begin() + offset, '\n'));
}

// The line of the first "key" in the text: JSON documents keep no positions, and the keys of a
// profile are unique enough for a reader to find the place.
int LineOfKey(const QByteArray& json, const char* key) {
  const qsizetype at = json.indexOf(QByteArray("\"") + key + "\"");
  return at < 0 ? 1 : LineAt(json, at);
}

struct Fault {
  std::string text;
};

[[noreturn]] void Expected(const QByteArray& json, const char* key, const std::string& what) {
  throw Fault{"line " + std::to_string(LineOfKey(json, key)) + ": expected " + what + " for \"" + key + "\""};
}

std::optional<int> WholeNumber(const QJsonValue& v, int low, int high) {
  if (!v.isDouble()) return std::nullopt;
  const double d = v.toDouble();
  // The range first: converting a double outside int's range is undefined.
  if (!(d >= low && d <= high) || d != static_cast<int>(d)) return std::nullopt;
  return static_cast<int>(d);
}

// The written values as a read's "unclean" list names them (the switch names, the keys of
// "printer") and as the user is told of them (the captions of the window).
struct WrittenValue {
  std::string key;
  std::string name;
};

std::string Caption(RecordField field) {
  std::string caption = RecordFieldInfoOf(field).caption;
  while (!caption.empty() && caption.back() == ' ') caption.pop_back();
  return caption;
}

const std::vector<WrittenValue>& WrittenValues() {
  static const std::vector<WrittenValue> values = [] {
    std::vector<WrittenValue> v;
    for (int n = 1; n <= kSwitchBytes; ++n) v.push_back({"SW" + std::to_string(n), "SW" + std::to_string(n)});
    for (RecordField f : {RecordField::CodePage, RecordField::InternationalCharSet, RecordField::New8x16Font})
      v.push_back({RecordFieldInfoOf(f).jsonKey, Caption(f)});
    return v;
  }();
  return values;
}

// Whether the profile holds a value for the written value at `index` (WrittenValues()).
bool Holds(const PrinterProfile& p, std::size_t index) {
  constexpr auto kBytes = static_cast<std::size_t>(kSwitchBytes);
  if (index < kBytes) return p.bytes[index].has_value();
  switch (index - kBytes) {
    case 0: return p.codePagePosition.has_value();
    case 1: return p.charsetPosition.has_value();
    default: return p.fontPosition.has_value();
  }
}

std::string Trimmed(const QString& text) { return text.trimmed().toLatin1().toStdString(); }

// Position of an entry text in a list; nullopt for the empty text (nothing selected).
template <typename List, typename TextOf>
std::optional<int> EntryPosition(const QByteArray& json, const QJsonObject& printer, const char* key,
                                 const List& list, TextOf textOf, const char* what) {
  const QJsonValue v = printer.value(key);
  if (!v.isUndefined() && !v.isNull() && !v.isString()) Expected(json, key, what);
  const std::string text = Trimmed(v.toString());
  if (text.empty()) return std::nullopt;
  for (std::size_t p = 0; p < list.size(); ++p)
    if (text == textOf(list[p])) return static_cast<int>(p);
  Expected(json, key, std::string(what) + ", not \"" + text + "\"");
}

PrinterProfile Parse(const QByteArray& json, OpenBytes open) {
  QJsonParseError parseError{};
  const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
  if (doc.isNull())
    throw Fault{"line " + std::to_string(LineAt(json, parseError.offset)) + ": not JSON: " +
                parseError.errorString().toStdString()};
  if (!doc.isObject()) throw Fault{"line 1: expected one JSON object, as `kestrova-swctl read --json` prints it"};
  const QJsonObject root = doc.object();
  if (root.value("ok") == QJsonValue(false))
    throw Fault{"line " + std::to_string(LineOfKey(json, "ok")) + ": the file records a failed read"};

  PrinterProfile p;
  const auto no = WholeNumber(root.value("model").toObject().value("no"), 0, 255);
  if (!no || (*no != 0 && !FindModel(static_cast<ModelNo>(*no))))
    Expected(json, root.contains("model") ? "no" : "model", "a model number of the catalogue (model.no)");
  p.model = static_cast<ModelNo>(*no);
  // model.code says the same as model.no (null for model 0) or is left out: a file whose two
  // disagree was edited by hand, and which of them was meant cannot be told.
  const QJsonValue code = root.value("model").toObject().value("code");
  if (!code.isUndefined()) {
    const PrinterModel* m = FindModel(p.model);
    const std::string expected = m ? "\"" + std::string(m->code) + "\", the code of model " + std::to_string(*no)
                                   : std::string("null, as model 0 has no code");
    const std::string given = code.isString() ? ", not \"" + Trimmed(code.toString()) + "\"" : std::string();
    const bool same = m ? code.isString() && code.toString().compare(QLatin1String(m->code), Qt::CaseInsensitive) == 0
                        : code.isNull();
    if (!same) Expected(json, "code", expected + " (model.code)" + given);
  }

  const QJsonArray bytes = root.value("bytes").toArray();
  if (!root.value("bytes").isArray() || bytes.size() != kSwitchBytes)
    Expected(json, "bytes", "five values (a number 0..255 or null)");
  for (int i = 0; i < kSwitchBytes; ++i) {
    const QJsonValue v = bytes.at(i);
    if (v.isNull()) continue;
    const auto b = WholeNumber(v, 0, 255);
    if (!b) Expected(json, "bytes", "a number 0..255 or null at bytes[" + std::to_string(i) + "]");
    p.bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(*b);
  }
  // Five nulls leave every switch open: such a file would match any printer and write nothing.
  if (open == OpenBytes::Refused && std::none_of(p.bytes.begin(), p.bytes.end(), [](const auto& b) { return b.has_value(); }))
    Expected(json, "bytes", "at least one number 0..255 among the five values, not five nulls");

  const QJsonObject printer = root.value("printer").toObject();
  p.codePagePosition = EntryPosition(json, printer, "codePage", CodePageTable(),
                                     [](const CodePageEntry& e) { return std::string(e.entry); },
                                     "an entry of the code page list (printer.codePage)");
  p.charsetPosition = EntryPosition(json, printer, "internationalCharSet", CharsetEntries(),
                                    [](const std::string& e) { return e; },
                                    "an entry of the character set list (printer.internationalCharSet)");
  p.fontPosition = EntryPosition(json, printer, "new8x16Font", New8x16FontEntries(),
                                 [](const std::string& e) { return e; },
                                 "an entry of the 8x16 font list (printer.new8x16Font)");
  // The values its read did not get cleanly; keys of values a profile does not carry (the
  // counters, the serial number) are left aside.
  const QJsonValue unclean = root.value("unclean");
  if (!unclean.isUndefined()) {
    const QJsonArray keys = unclean.toArray();
    if (!unclean.isArray() || std::any_of(keys.begin(), keys.end(), [](const QJsonValue& k) { return !k.isString(); }))
      Expected(json, "unclean", "a list of value names (\"SW1\", \"codePage\", ...)");
    for (const WrittenValue& v : WrittenValues())
      if (keys.contains(QString::fromStdString(v.key))) p.unclean.push_back(v.name);
  }
  return p;
}

QJsonValue EntryJson(const std::optional<int>& position, const std::vector<std::string>& list) {
  return position ? JsonText(list[static_cast<std::size_t>(*position)]) : QString();
}

QJsonArray UncleanKeys(const std::vector<std::string>& names) {
  QJsonArray keys;
  for (const WrittenValue& v : WrittenValues())
    if (std::find(names.begin(), names.end(), v.name) != names.end()) keys.append(QString::fromStdString(v.key));
  return keys;
}

}  // namespace

bool PrinterProfile::operator==(const PrinterProfile& o) const {
  return model == o.model && bytes == o.bytes && codePagePosition == o.codePagePosition &&
         charsetPosition == o.charsetPosition && fontPosition == o.fontPosition && unclean == o.unclean;
}

std::vector<std::string> UncleanHeldValues(const PrinterProfile& p) {
  std::vector<std::string> names;
  const auto& values = WrittenValues();
  for (std::size_t i = 0; i < values.size(); ++i)
    if (Holds(p, i) && std::find(p.unclean.begin(), p.unclean.end(), values[i].name) != p.unclean.end())
      names.push_back(values[i].name);
  return names;
}

std::string UncleanRefusal(const std::string& file, const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return file + ": " + list + (names.size() == 1 ? " was" : " were") +
         " not read cleanly when it was saved; read that printer again";
}

PrinterProfile ProfileFromValues(ModelNo model, const std::array<std::uint8_t, kSwitchBytes>& bytes,
                                 std::optional<int> codePageNumber, std::optional<int> charsetNumber,
                                 std::optional<bool> fontOn) {
  PrinterProfile p;
  p.model = model;
  for (std::size_t i = 0; i < bytes.size(); ++i) p.bytes[i] = bytes[i];
  if (codePageNumber) p.codePagePosition = CodePagePositionOfNumber(*codePageNumber);
  if (charsetNumber) p.charsetPosition = CharsetPositionOfNumber(*charsetNumber);
  if (fontOn) p.fontPosition = *fontOn ? kFontOnPosition : kFontOffPosition;
  return p;
}

QByteArray SerializeProfile(const PrinterProfile& p) {
  const QJsonValue codePage =
      p.codePagePosition ? JsonText(CodePageTable()[static_cast<std::size_t>(*p.codePagePosition)].entry) : QString();
  QJsonArray bytes;
  for (const auto& b : p.bytes) bytes.append(b ? QJsonValue(static_cast<int>(*b)) : QJsonValue(QJsonValue::Null));
  const SwitchExplanation e = ExplainSwitches(p.model, p.bytes);
  const QJsonObject root{{"ok", true},
                         {"model", ModelJson(p.model)},
                         {"printer", QJsonObject{{"codePage", codePage},
                                                 {"internationalCharSet", EntryJson(p.charsetPosition, CharsetEntries())},
                                                 {"new8x16Font", EntryJson(p.fontPosition, New8x16FontEntries())}}},
                         {"bytes", bytes},
                         {"switches", SwitchesJson(e.positions, e.labels)},
                         {"unclean", UncleanKeys(p.unclean)}};
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<PrinterProfile> ParseProfile(const QByteArray& json, std::string& error, OpenBytes open) {
  try {
    return Parse(json, open);
  } catch (const Fault& f) {
    error = f.text;
    return std::nullopt;
  }
}

}  // namespace kestrova::profile
