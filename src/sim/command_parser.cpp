#include "sim/command_parser.h"

#include <array>

namespace kestrova::sim {

namespace {

constexpr char kGs = 0x1D;
constexpr char kEsc = 0x1B;

struct QueryCode {
  char code;
  Item item;
};

// 1D 49 n
constexpr std::array<QueryCode, 3> kIdentityQueries = {{
    {0x43, Item::ModelName}, {0x41, Item::Firmware}, {0x45, Item::FontRom},
}};

// 1D 67 34 m
constexpr std::array<QueryCode, 15> kSettingQueries = {{
    {0x27, Item::Sw1}, {0x28, Item::Sw2}, {0x29, Item::Sw3}, {0x2A, Item::Sw4}, {0x2B, Item::Sw5},
    {0x10, Item::HoursPowered}, {0x15, Item::CutCount}, {0x09, Item::InstallationDate},
    {0x16, Item::FailedCut}, {0x1B, Item::LinesPrinted}, {0x05, Item::SerialNumber},
    {0x24, Item::LanguageModel}, {0x21, Item::CodePage}, {0x22, Item::Charset}, {0x25, Item::Font8x16},
}};

struct SetCode {
  char code;
  Item item;
  int fieldLength;  // bytes after the 4-byte header
  int zerosAfter;   // further 00 bytes that may follow the field
  bool numeric;     // the text never holds a 1D, so a 1D inside the field starts the next command
};

// 1D 67 38 f. A switch value has at most three digits: the serial SW3 command carries 4 field bytes,
// the other serial and all TCP switch commands 5, and the device-handle path a separate 4-byte block.
constexpr std::array<SetCode, 9> kSetCommands = {{
    {0x27, Item::Sw1, 4, 1, true},          {0x28, Item::Sw2, 4, 1, true},
    {0x29, Item::Sw3, 4, 1, true},          {0x2A, Item::Sw4, 4, 1, true},
    {0x2B, Item::Sw5, 4, 1, true},          {0x21, Item::CodePage, 4, 0, true},
    {0x24, Item::CodePageName, 21, 0, false}, {0x22, Item::Charset, 3, 0, true},
    {0x25, Item::Font8x16, 4, 0, true},
}};

const QByteArray& UnlockBytes() {
  static const QByteArray b("\x1d\x67\x75\x6e\x6c\x00", 6);
  return b;
}
const QByteArray& LockBytes() {
  static const QByteArray b("\x1d\x67\x6c\x63\x6b\x00", 6);
  return b;
}
const QByteArray& SelfTestBytes() {
  static const QByteArray b("\x1d\x28\x41\x02\x00\x00\x02", 7);
  return b;
}

QByteArray Codes(int first, int last) {
  QByteArray b;
  for (int c = first; c <= last; ++c) b.append(static_cast<char>(c));
  return b + "\r\n";
}

// The font-test blocks by number; 2/5 and 3/6 are the same bytes.
const std::array<QByteArray, 8>& FontBlocks() {
  static const std::array<QByteArray, 8> blocks = {
      QByteArray(),
      QByteArray("\x1b\x21\x01" "FONT:08X16\r\n"),
      Codes(0x21, 0x7F),
      Codes(0x80, 0xFF),
      QByteArray("\x1b\x21\x02" "FONT:12X24\r\n"),
      Codes(0x21, 0x7F),
      Codes(0x80, 0xFF),
      QByteArray("\x1b\x40\r\n\x1b\x69"),
  };
  return blocks;
}

// How buf compares with the start of pattern.
enum class Prefix { Full, Partial, Differs };
Prefix ComparePrefix(const QByteArray& buf, const QByteArray& pattern) {
  const int n = std::min(buf.size(), pattern.size());
  for (int i = 0; i < n; ++i)
    if (buf[i] != pattern[i]) return Prefix::Differs;
  return buf.size() >= pattern.size() ? Prefix::Full : Prefix::Partial;
}

}  // namespace

QString ItemName(Item item) {
  switch (item) {
    case Item::ModelName: return QStringLiteral("model-name");
    case Item::Firmware: return QStringLiteral("firmware");
    case Item::FontRom: return QStringLiteral("font-rom");
    case Item::Sw1: return QStringLiteral("SW1");
    case Item::Sw2: return QStringLiteral("SW2");
    case Item::Sw3: return QStringLiteral("SW3");
    case Item::Sw4: return QStringLiteral("SW4");
    case Item::Sw5: return QStringLiteral("SW5");
    case Item::HoursPowered: return QStringLiteral("hours-powered");
    case Item::CutCount: return QStringLiteral("cut-count");
    case Item::InstallationDate: return QStringLiteral("installation-date");
    case Item::FailedCut: return QStringLiteral("failed-cut");
    case Item::LinesPrinted: return QStringLiteral("lines-printed");
    case Item::SerialNumber: return QStringLiteral("serial-number");
    case Item::LanguageModel: return QStringLiteral("language-model");
    case Item::CodePage: return QStringLiteral("code-page");
    case Item::Charset: return QStringLiteral("charset");
    case Item::Font8x16: return QStringLiteral("font-8x16");
    case Item::CodePageName: return QStringLiteral("code-page-name");
  }
  return QString();
}

int SwitchIndexOf(Item item) {
  switch (item) {
    case Item::Sw1: return 0;
    case Item::Sw2: return 1;
    case Item::Sw3: return 2;
    case Item::Sw4: return 3;
    case Item::Sw5: return 4;
    default: return -1;
  }
}

std::vector<Command> CommandParser::feed(const QByteArray& bytes) {
  std::vector<Command> out;
  buffer_.append(bytes);
  while (!buffer_.isEmpty()) {
    if (zerosToSwallow_ > 0 && buffer_[0] == '\0') {
      buffer_.remove(0, 1);
      ++consumed_;
      --zerosToSwallow_;
      continue;
    }
    Match m = matchAt(buffer_);
    if (m.status == Status::NeedMore) break;
    zerosToSwallow_ = 0;
    if (m.status == Status::NoMatch) {
      if (unknown_.isEmpty()) unknownOffset_ = consumed_;
      unknown_.append(buffer_[0]);
      buffer_.remove(0, 1);
      ++consumed_;
      continue;
    }
    flushUnknown(out);
    m.command.raw = buffer_.left(m.length);
    m.command.offset = consumed_;
    buffer_.remove(0, m.length);
    consumed_ += m.length;
    zerosToSwallow_ = m.zerosAfter;
    if (m.command.kind == Command::Kind::FontBlock) {
      int& block = m.command.fontBlock;
      if (block == 2 || block == 3) block += lastFontHeader_ == 4 ? 3 : 0;
      if (block == 1 || block == 4) lastFontHeader_ = block;
      if (block == 7) lastFontHeader_ = 0;
    }
    out.push_back(std::move(m.command));
  }
  flushUnknown(out);
  return out;
}

void CommandParser::flushUnknown(std::vector<Command>& out) {
  if (unknown_.isEmpty()) return;
  Command c;
  c.kind = Command::Kind::Unknown;
  c.raw = unknown_;
  c.offset = unknownOffset_;
  out.push_back(std::move(c));
  unknown_.clear();
}

CommandParser::Match CommandParser::matchAt(const QByteArray& buf) {
  Match m;
  auto needMore = [&m]() -> Match& {
    m.status = Status::NeedMore;
    return m;
  };
  const char b0 = buf[0];
  if (b0 == kGs) {
    if (buf.size() < 3) {
      // 1D alone, or 1D and a second byte that may start a known command.
      if (buf.size() == 1) return needMore();
      const char b1 = buf[1];
      if (b1 == 0x49 || b1 == 0x67 || b1 == 0x28) return needMore();
      return m;
    }
    const char b1 = buf[1];
    const char b2 = buf[2];
    if (b1 == 0x49) {
      for (const auto& q : kIdentityQueries)
        if (q.code == b2) {
          m.status = Status::Complete;
          m.length = 3;
          m.zerosAfter = 1;
          m.command.kind = Command::Kind::Query;
          m.command.item = q.item;
        }
      return m;
    }
    if (b1 == 0x28) {
      const Prefix p = ComparePrefix(buf, SelfTestBytes());
      if (p == Prefix::Partial) return needMore();
      if (p == Prefix::Full) {
        m.status = Status::Complete;
        m.length = SelfTestBytes().size();
        m.zerosAfter = 1;  // the serial path sends one more 00
        m.command.kind = Command::Kind::SelfTest;
      }
      return m;
    }
    if (b1 != 0x67) return m;
    if (b2 == 0x75 || b2 == 0x6C) {
      const QByteArray& pattern = b2 == 0x75 ? UnlockBytes() : LockBytes();
      const Prefix p = ComparePrefix(buf, pattern);
      if (p == Prefix::Partial) return needMore();
      if (p == Prefix::Full) {
        m.status = Status::Complete;
        m.length = pattern.size();
        m.command.kind = b2 == 0x75 ? Command::Kind::Unlock : Command::Kind::Lock;
      }
      return m;
    }
    if (buf.size() < 4) return (b2 == 0x34 || b2 == 0x38) ? needMore() : m;
    if (b2 == 0x34) {
      for (const auto& q : kSettingQueries)
        if (q.code == buf[3]) {
          m.status = Status::Complete;
          m.length = 4;
          m.command.kind = Command::Kind::Query;
          m.command.item = q.item;
        }
      return m;
    }
    if (b2 == 0x38) return matchSet(buf);
    return m;
  }

  // Font-test blocks: 1B-headed blocks 1, 4, 7 and the character rows 2/3 (5/6 by context).
  std::vector<int> candidates;
  if (b0 == kEsc) candidates = {1, 4, 7};
  if (b0 == 0x21) candidates = {2};
  if (b0 == static_cast<char>(0x80)) candidates = {3};
  bool partial = false;
  for (const int number : candidates) {
    const QByteArray& block = FontBlocks()[static_cast<std::size_t>(number)];
    const Prefix p = ComparePrefix(buf, block);
    if (p == Prefix::Full) {
      m.status = Status::Complete;
      m.length = block.size();
      m.command.kind = Command::Kind::FontBlock;
      m.command.fontBlock = number;
      return m;
    }
    partial = partial || p == Prefix::Partial;
  }
  if (partial) return needMore();
  return m;
}

CommandParser::Match CommandParser::matchSet(const QByteArray& buf) const {
  Match m;
  const SetCode* code = nullptr;
  for (const auto& s : kSetCommands)
    if (s.code == buf[3]) code = &s;
  if (!code) return m;

  constexpr int kHeader = 4;
  int end = kHeader;
  bool cut = false;
  for (; end < kHeader + code->fieldLength; ++end) {
    if (end >= buf.size()) {
      m.status = Status::NeedMore;
      return m;
    }
    if (code->numeric && buf[end] == kGs) {
      cut = true;
      break;
    }
  }
  const QByteArray field = buf.mid(kHeader, end - kHeader);
  const int zero = field.indexOf('\0');
  m.status = Status::Complete;
  m.length = end;
  m.zerosAfter = cut ? 0 : code->zerosAfter;
  m.command.kind = Command::Kind::Set;
  m.command.item = code->item;
  m.command.value = zero < 0 ? field : field.left(zero);
  m.command.shortField = cut;
  return m;
}

}  // namespace kestrova::sim
