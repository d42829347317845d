#include "protocol/plain_read_observer.h"

#include <string_view>

namespace kestrova {

void PlainReadObserver::clearRecord() {
  record.clearTexts();
  view.setPrintDensity("");
  view.setThaiPass("");
  log.clear();
}

void PlainReadObserver::fieldText(RecordField field, const std::string& text) {
  record.setText(field, text);
  // The two derived boxes are the view's own.
  if (field == RecordField::PrintDensity) view.setPrintDensity(text);
  if (field == RecordField::Thai1n3Pass) view.setThaiPass(text);
}

std::string ApplyFontReply(LanguageState& state, FontReply reply) {
  if (reply == FontReply::On) SelectNew8x16Font(state, kFontOnPosition);
  if (reply == FontReply::Off) SelectNew8x16Font(state, kFontOffPosition);
  return New8x16FontText(state);
}

std::string PlainReadObserver::applyNewFont(FontReply reply) { return ApplyFontReply(language, reply); }

std::array<std::optional<std::uint8_t>, kSwitchBytes> ShowSwitchReplies(const SwitchSlots& slots, ModelNo model,
                                                                        SwitchDefinitions& definitions, SwitchView& view) {
  std::array<std::optional<std::uint8_t>, kSwitchBytes> bytes{};
  for (int n = 1; n <= kSwitchBytes; ++n) {
    const SwitchSlot& slot = slots[static_cast<std::size_t>(n - 1)];
    bytes[static_cast<std::size_t>(n - 1)] = DecodeSwitchReply(std::string_view(slot.data(), slot.size()));
    if (const auto value = bytes[static_cast<std::size_t>(n - 1)]) ShowSwitchByte(view, n, *value);
  }
  ApplyModelDefinitions(model, definitions, view);
  return bytes;
}

void PlainReadObserver::applySwitchReplies(const SwitchSlots& slots, ModelNo activeModelNo) {
  record.activeModelNo = activeModelNo;
  replyBytes = ShowSwitchReplies(slots, activeModelNo, activeDefinitions, view);
  record.setText(RecordField::PrintDensity, view.density);
  record.setText(RecordField::Thai1n3Pass, view.thaiPass);
}

std::array<std::optional<std::uint8_t>, kSwitchBytes> PlainReadObserver::bankBytes() const {
  std::array<std::optional<std::uint8_t>, kSwitchBytes> bytes{};
  for (int n = 1; n <= kSwitchBytes; ++n) bytes[static_cast<std::size_t>(n - 1)] = SwitchByte(view, n);
  return bytes;
}

}  // namespace kestrova
