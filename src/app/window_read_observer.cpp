#include "app/window_read_observer.h"

#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>

#include "app/language_controls.h"
#include "app/main_window.h"
#include "app/radio_group.h"
#include "model/switch_bank.h"

using namespace kestrova;

bool WindowReadObserver::cancelled() {
  return form_.bridge_.closing() || form_.generation_ != generation_;
}

void WindowReadObserver::onWindow(const std::function<void()>& fn) {
  form_.bridge_.run([this, &fn] {
    if (form_.generation_ == generation_) fn();
  });
}

void WindowReadObserver::stopWatchdog() {
  onWindow([this] { form_.timer1_.stop(); });
}

void WindowReadObserver::restartWatchdog() {
  onWindow([this] { form_.timer1_.start(); });
}

void WindowReadObserver::clearRecord() {
  onWindow([this] { form_.clearRecordFields(); });
}

void WindowReadObserver::logLine(const std::string& line) {
  onWindow([this, &line] { form_.ui_.log->addItem(QString::fromStdString(line)); });
}

void WindowReadObserver::fieldText(RecordField field, const std::string& text) {
  onWindow([this, field, &text] {
    form_.ui_.recordEdits[static_cast<std::size_t>(field)]->setText(QString::fromStdString(text));
  });
}

void WindowReadObserver::progressStep() {
  onWindow([this] { form_.ui_.progress->setValue(form_.ui_.progress->value() + form_.progressStep_); });
}

std::string WindowReadObserver::applyLanguage(const std::function<std::string(LanguageState&)>& apply) {
  std::string shown;
  onWindow([this, &apply, &shown] {
    LanguageState state = ReadLanguageControls(form_.ui_);
    shown = apply(state);
    ShowLanguageControls(form_.ui_, state);
  });
  return shown;
}

std::string WindowReadObserver::applyCodePage(int number) {
  return applyLanguage([number](LanguageState& state) { return ApplyCodePageNumber(state, number); });
}

std::string WindowReadObserver::applyCharSet(int number) {
  return applyLanguage([number](LanguageState& state) { return ApplyCharsetNumber(state, number); });
}

std::string WindowReadObserver::applyNewFont(FontReply reply) {
  return applyLanguage([reply](LanguageState& state) {
    if (reply == FontReply::On) SelectNew8x16Font(state, kFontOnPosition);
    if (reply == FontReply::Off) SelectNew8x16Font(state, kFontOffPosition);
    return New8x16FontText(state);
  });
}

void WindowReadObserver::applySwitchReplies(const SwitchSlots& replies, ModelNo activeModelNo) {
  onWindow([this, &replies, activeModelNo] {
    for (int n = 1; n <= kSwitchBytes; ++n) {
      const auto& slot = replies[static_cast<std::size_t>(n - 1)];
      const auto value = DecodeSwitchReply(std::string_view(slot.data(), slot.size()));
      if (!value) continue;
      SwitchBank bank;
      bank.setByte(n, *value);
      for (int b = 1; b <= kBitsPerSwitch; ++b) {
        const int i = SwitchIndex(n, b);
        form_.ui_.switches[static_cast<std::size_t>(i)]->setItemIndex(bank.position(i));
      }
    }
    form_.activeModelNo_ = activeModelNo;
    ApplyModelDefinitions(activeModelNo, form_.activeDefinitions_, form_.switchView_);
  });
}
