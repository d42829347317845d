#include "protocol/write_sequence.h"

#include <algorithm>
#include <exception>

#include "model/debug_trace.h"

namespace kestrova {

namespace {

// Function bytes of the value commands (1D 67 38 f).
constexpr unsigned char kSwitchFunction[5] = {0x27, 0x28, 0x29, 0x2A, 0x2B};
constexpr unsigned char kCodePageFunction = 0x21;
constexpr unsigned char kCharSetFunction = 0x22;
constexpr unsigned char kCodePageNameFunction = 0x24;
constexpr unsigned char kNewFontFunction = 0x25;

// clang-format off
// Lengths of the value commands per reply style    SW1 SW2 SW3 SW4 SW5
constexpr std::size_t kStreamSwitchLength[5]    = {9,  9,  8,  9,  9};
constexpr std::size_t kBoundedSwitchLength[5]   = {9,  9,  9,  9,  9};
// clang-format on
constexpr std::size_t kCodePageLength = 8;
constexpr std::size_t kCodePageNameLength = 4 + kCodePageNameBytes;
constexpr std::size_t kCharSetLength = 7;
constexpr std::size_t kNewFontLength = 8;
constexpr std::size_t kBlockHeaderLength = 4;
constexpr std::size_t kBlockValueLength = 4;

std::string SwitchName(int n) { return "SW" + std::to_string(n); }

std::string SwitchText(const WriteValues& v, int n) {
  return std::to_string(static_cast<unsigned>(*v.switches[static_cast<std::size_t>(n - 1)]));
}

WriteCommand SwitchCommand(const WriteValues& v, int n, std::size_t length, int pause) {
  return {SwitchName(n), ValueCommand(kSwitchFunction[n - 1], SwitchText(v, n), length), pause};
}

// Code page, name, charset and font, each followed by pause.
void AppendLanguage(std::vector<WriteCommand>& out, const WriteValues& v, int pause) {
  out.push_back({"Code page", ValueCommand(kCodePageFunction, std::to_string(v.codePageNumber), kCodePageLength), pause});
  out.push_back({"Code page name", ValueCommand(kCodePageNameFunction, v.codePageName, kCodePageNameLength), pause});
  out.push_back({"Charset", ValueCommand(kCharSetFunction, std::to_string(*v.charSetNumber), kCharSetLength), pause});
  out.push_back({"New 8x16 font", ValueCommand(kNewFontFunction, v.fontOn ? "ON" : "", kNewFontLength), pause});
}

WritePlan StreamPlan(const WriteValues& v) {
  WriteFrame f;
  f.commands.push_back({"Unlock", UnlockCommand(), kCommandPauseMs});
  for (int n = 1; n <= 5; ++n) f.commands.push_back(SwitchCommand(v, n, kStreamSwitchLength[n - 1], kCommandPauseMs));
  AppendLanguage(f.commands, v, kCommandPauseMs);
  f.commands.push_back({"Lock", LockCommand(), kCommandPauseMs});
  return {f};
}

WriteFrame SeparateSwitchFrame(const WriteValues& v, int n) {
  WriteFrame f;
  f.tag = "WriteSW" + std::to_string(n);
  f.separate = true;
  f.commands = {{"Unlock", UnlockCommand(), kCommandPauseMs},
                SwitchCommand(v, n, kBoundedSwitchLength[n - 1], kCommandPauseMs),
                {"Lock", LockCommand(), kCommandPauseMs}};
  f.pauseAfterMs = kCommandPauseMs;
  return f;
}

WritePlan BoundedPlan(const WriteValues& v) {
  WriteFrame main;
  main.commands.push_back({"Unlock", UnlockCommand(), kCommandPauseMs});
  for (int n : {2, 3, 5}) main.commands.push_back(SwitchCommand(v, n, kBoundedSwitchLength[n - 1], kCommandPauseMs));
  AppendLanguage(main.commands, v, kCommandPauseMs);
  main.commands.push_back({"Lock", LockCommand(), kCommandPauseMs});
  return {main, SeparateSwitchFrame(v, 4), SeparateSwitchFrame(v, 1)};
}

WritePlan BlockPlan(const WriteValues& v) {
  WriteFrame f;
  f.commands.push_back({"Unlock", UnlockCommand(), 0});
  for (int n = 1; n <= 5; ++n) {
    const Bytes header = ValueCommand(kSwitchFunction[n - 1], "", kBlockHeaderLength);
    Bytes block = SwitchText(v, n);
    block.resize(kBlockValueLength, '\0');
    f.commands.push_back({SwitchName(n), header, 0});
    f.commands.push_back({SwitchName(n) + " value", block, kBlockSwitchPauseMs, true});
  }
  AppendLanguage(f.commands, v, 0);
  f.commands.push_back({"Lock", LockCommand(), 0});
  return {f};
}

}  // namespace

Bytes UnlockCommand() { return Bytes("\x1D\x67\x75\x6E\x6C\x00", 6); }
Bytes LockCommand() { return Bytes("\x1D\x67\x6C\x63\x6B\x00", 6); }

Bytes ValueCommand(unsigned char function, std::string_view text, std::size_t length) {
  Bytes command(std::max<std::size_t>(length, 4), '\0');
  command[0] = '\x1D';
  command[1] = '\x67';
  command[2] = '\x38';
  command[3] = static_cast<char>(function);
  const std::size_t room = command.size() - 4;
  std::copy_n(text.begin(), std::min(text.size(), room), command.begin() + 4);
  return command;
}

namespace {

std::optional<std::string> RefusalOf(const WriteValues& values) {
  if (!values.unverified.empty()) {
    std::string names;
    for (const std::string& name : values.unverified) names += (names.empty() ? "" : ", ") + name;
    return "not read cleanly: " + names + "; read the printer again";
  }
  for (int n = 1; n <= 5; ++n)
    if (!values.switches[static_cast<std::size_t>(n - 1)])
      return SwitchName(n) + " has a switch with no position selected";
  if (!values.charSetNumber) return "International Character Set holds no entry of its list";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> WriteRefusal(const WriteValues& values) {
  const auto why = RefusalOf(values);
  if (why) DebugTrace("(WriteSW)" + *why + "; nothing written");
  return why;
}

WritePlan BuildWritePlan(ReplyStyle style, const WriteValues& values) {
  switch (style) {
    case ReplyStyle::Stream: return StreamPlan(values);
    case ReplyStyle::Bounded: return BoundedPlan(values);
    case ReplyStyle::Block: return BlockPlan(values);
  }
  return {};
}

namespace {

// After a failed command of a frame: completes a half-sent switch (its value block once more) and
// tries Lock once, unless Lock itself failed. Returns what the user should know about it.
// One send; an exception raised by the link counts as a failed send with its message.
Task<bool> Send(ByteLink& link, const Bytes& bytes, std::string& why) {
  try {
    const bool sent = co_await link.send(bytes);
    if (sent) co_return true;
    why = DescribeLinkError(link.lastError());
  } catch (const std::exception& e) {
    why = e.what();
  }
  co_return false;
}

Task<std::string> EndFailedFrame(ByteLink& link, Clock& clock, const WriteCommand& failed) {
  const Bytes lock = LockCommand();
  if (failed.bytes == lock) co_return std::string();
  if (!link.isOpen()) co_return "; Lock not sent: the link is closed";
  std::string why;
  if (failed.valueBlock && !co_await Send(link, failed.bytes, why)) co_return "; Lock not sent: " + failed.name + " failed again";
  if (!co_await Send(link, lock, why)) co_return "; Lock not sent: " + why;
  co_await clock.pause(failed.pauseAfterMs);
  co_return "; Lock sent";
}

}  // namespace

Task<WriteResult> RunWritePlan(ByteLink& link, Clock& clock, const WritePlan& plan, const Reconnect& reconnect) {
  WriteResult result{WriteOutcome::Written, {}};
  auto failSeparate = [&](const WriteFrame& frame, const std::string& why) {
    DebugTrace("(" + frame.tag + ")" + why);
    result.outcome = WriteOutcome::SendFailed;
    if (!result.detail.empty()) result.detail += "; ";
    result.detail += frame.tag.substr(5) + " frame: " + why;
  };
  for (const WriteFrame& frame : plan) {
    if (!link.isOpen() && reconnect) co_await reconnect();
    if (!link.isOpen()) {
      const std::string why = "not connected: " + DescribeLinkError(link.lastError());
      if (!frame.separate) co_return WriteResult{WriteOutcome::NotConnected, why};
      failSeparate(frame, why);
      co_await clock.pause(frame.pauseAfterMs);
      continue;
    }
    for (const WriteCommand& command : frame.commands) {
      std::string cause;
      if (co_await Send(link, command.bytes, cause)) {
        co_await clock.pause(command.pauseAfterMs);
        continue;
      }
      const std::string why = command.name + " not sent in full: " + cause;
      const std::string ending = co_await EndFailedFrame(link, clock, command);
      if (!frame.separate) co_return WriteResult{WriteOutcome::SendFailed, why + ending};
      failSeparate(frame, why);
      result.detail += ending;
      break;
    }
    co_await clock.pause(frame.pauseAfterMs);
  }
  co_return result;
}

Task<WriteResult> WriteSwitchSettings(ByteLink& link, Clock& clock, const WriteValues& values, const Reconnect& reconnect) {
  if (const auto why = WriteRefusal(values)) co_return WriteResult{WriteOutcome::Refused, *why};
  const ReplyStyle style = link.replyStyle();
  const bool stays = style == ReplyStyle::Bounded;
  if (!stays && !link.isOpen())
    co_return WriteResult{WriteOutcome::NotConnected, "not open: " + DescribeLinkError(link.lastError())};
  WriteResult result;
  try {
    // Built before the co_await: GCC 12 may destroy class temporaries inside one twice.
    const WritePlan plan = BuildWritePlan(style, values);
    const Reconnect again = stays ? reconnect : Reconnect{};
    result = co_await RunWritePlan(link, clock, plan, again);
  } catch (const std::exception& e) {
    result = {WriteOutcome::SendFailed, e.what()};
  }
  // A Stream or Block link serves one operation; a Bounded connection stays.
  if (!stays) link.close();
  co_return result;
}

UserMessage WriteWarningMessage() {
  return {"Don't let printer shut down when writing settings", "WARNNING", MessageIcon::Information, {}};
}

UserMessage WriteOutcomeMessage(const WriteResult& result) {
  if (result.ok())
    return {kWriteOkText, "FINISH", MessageIcon::Information, {}};
  return {kWriteFailedText, "WARNING", MessageIcon::Warning, result.detail};
}

}  // namespace kestrova
