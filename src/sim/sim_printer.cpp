#include "sim/sim_printer.h"

#include "model/catalogue.h"

namespace kestrova::sim {

namespace {

// What each model of the catalogue says to the model-name query.
struct ReportedName {
  ModelNo no;
  const char* name;
};
constexpr ReportedName kReportedNames[] = {
    {1, "RT-3200"},   {3, "RT-5500"},   {4, "RT-6100"},   {6, "RT-4300"},   {7, "KD-240"},
    {8, "KD250"},     {9, "RT-5600"},   {10, "RT-4300X"}, {11, "RT-5602"},  {12, "RT-5502"},
    {13, "RT-5500E"}, {14, "RT-6400K"}, {15, "RT-5503"},  {16, "MV75_USB"}, {17, "MV71_USB"},
    {18, "RT-3206"},  {19, "RT-3207"},
};

// Decimal text as the printer accepts it: an optional minus and 1..maxDigits digits.
std::optional<int> ParseNumber(const QByteArray& text, int maxDigits, bool allowSign) {
  int i = 0;
  const bool negative = allowSign && text.startsWith('-');
  if (negative) i = 1;
  const int digits = text.size() - i;
  if (digits < 1 || digits > maxDigits) return std::nullopt;
  int value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

// Printable ASCII as it is, every other byte as \xHH.
QString Printable(const QByteArray& text) {
  QString s;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F && u != '\\')
      s += QChar(u);
    else
      s += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
  }
  return s;
}

}  // namespace

bool PrinterValues::operator==(const PrinterValues& o) const {
  return modelName == o.modelName && firmware == o.firmware && switches == o.switches &&
         hoursPowered == o.hoursPowered && cutCount == o.cutCount &&
         installationDate == o.installationDate && failedCut == o.failedCut &&
         linesPrinted == o.linesPrinted && serialNumber == o.serialNumber &&
         languageModel == o.languageModel && fontRom == o.fontRom && codePage == o.codePage &&
         codePageName == o.codePageName && charset == o.charset && font8x16 == o.font8x16;
}

bool PendingValues::empty() const { return *this == PendingValues{}; }

bool PendingValues::operator==(const PendingValues& o) const {
  return switches == o.switches && codePage == o.codePage && codePageName == o.codePageName &&
         charset == o.charset && font8x16 == o.font8x16;
}

QByteArray ReportedNameOf(const QString& modelCode) {
  const PrinterModel* model = FindModelByCode(modelCode.toStdString());
  if (!model) return {};
  for (const auto& r : kReportedNames)
    if (r.no == model->no) return r.name;
  return {};
}

QString HexBytes(const QByteArray& bytes) {
  return QString::fromLatin1(bytes.toHex(' '));
}

QByteArray SimPrinter::valueText(Item item) const {
  const int sw = SwitchIndexOf(item);
  if (sw >= 0) return QByteArray::number(current_.switches[static_cast<std::size_t>(sw)]);
  switch (item) {
    case Item::ModelName: return current_.modelName;
    case Item::Firmware: return current_.firmware;
    case Item::FontRom: return current_.fontRom;
    case Item::HoursPowered: return current_.hoursPowered;
    case Item::CutCount: return current_.cutCount;
    case Item::InstallationDate: return current_.installationDate;
    case Item::FailedCut: return current_.failedCut;
    case Item::LinesPrinted: return current_.linesPrinted;
    case Item::SerialNumber: return current_.serialNumber;
    case Item::LanguageModel: return current_.languageModel;
    case Item::CodePage: return QByteArray::number(current_.codePage);
    case Item::Charset: return QByteArray::number(current_.charset);
    case Item::Font8x16: return current_.font8x16 ? QByteArray("ON") : QByteArray();
    case Item::CodePageName: return current_.codePageName;
    default: return {};
  }
}

QByteArray SimPrinter::feed(const QByteArray& bytes) {
  QByteArray replies;
  for (const Step& s : feed(parser_, bytes)) replies += s.reply;
  return replies;
}

std::vector<Step> SimPrinter::feed(CommandParser& link, const QByteArray& bytes) {
  std::vector<Step> steps;
  for (const Command& c : link.feed(bytes)) steps.push_back(execute(c));
  return steps;
}

Step SimPrinter::execute(const Command& command) {
  Step step;
  step.kind = command.kind;
  switch (command.kind) {
    case Command::Kind::Query:
      step.reply = '_' + valueText(command.item) + '\0';
      step.event = QStringLiteral("query ") + ItemName(command.item);
      break;
    case Command::Kind::Unlock:
      unlocked_ = true;
      step.event = QStringLiteral("unlock");
      break;
    case Command::Kind::Lock:
      unlocked_ = false;
      step.event = QStringLiteral("lock");
      break;
    case Command::Kind::Set:
      return set(command);
    case Command::Kind::SelfTest:
      ++selfTests_;
      step.event = QStringLiteral("self-test");
      break;
    case Command::Kind::FontBlock:
      ++fontBlocks_.at(static_cast<std::size_t>(command.fontBlock));
      step.event = QStringLiteral("font-test block %1").arg(command.fontBlock);
      break;
    case Command::Kind::Unknown:
      step.event = QStringLiteral("ignored ") + HexBytes(command.raw);
      break;
  }
  return step;
}

Step SimPrinter::set(const Command& command) {
  Step step;
  step.kind = Command::Kind::Set;
  const QString what = ItemName(command.item) + '=' + Printable(command.value);
  if (!unlocked_) {
    step.event = QStringLiteral("ignored set %1 (locked)").arg(what);
    return step;
  }
  bool ok = !command.shortField;
  const int sw = SwitchIndexOf(command.item);
  if (ok && sw >= 0) {
    const auto v = ParseNumber(command.value, 3, false);
    ok = v && *v <= 255;
    if (ok) pending_.switches[static_cast<std::size_t>(sw)] = static_cast<quint8>(*v);
  } else if (ok && command.item == Item::CodePage) {
    const auto v = ParseNumber(command.value, 4, false);
    ok = v.has_value();
    if (ok) pending_.codePage = *v;
  } else if (ok && command.item == Item::Charset) {
    const auto v = ParseNumber(command.value, 3, true);
    ok = v.has_value();
    if (ok) pending_.charset = *v;
  } else if (ok && command.item == Item::Font8x16) {
    ok = command.value == "ON" || command.value.isEmpty();
    if (ok) pending_.font8x16 = command.value == "ON";
  } else if (ok && command.item == Item::CodePageName) {
    pending_.codePageName = command.value;
  }
  step.changed = ok;
  step.event = ok ? QStringLiteral("set %1").arg(what)
                  : QStringLiteral("ignored set %1 (bad field %2)").arg(what, HexBytes(command.raw));
  return step;
}

void SimPrinter::restart() {
  for (std::size_t i = 0; i < current_.switches.size(); ++i)
    if (pending_.switches[i]) current_.switches[i] = *pending_.switches[i];
  if (pending_.codePage) current_.codePage = *pending_.codePage;
  if (pending_.codePageName) current_.codePageName = *pending_.codePageName;
  if (pending_.charset) current_.charset = *pending_.charset;
  if (pending_.font8x16) current_.font8x16 = *pending_.font8x16;
  pending_ = {};
  unlocked_ = false;
}

}  // namespace kestrova::sim
