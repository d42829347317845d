// The window as a read's observer: what each step of a read shows, on the window's thread.
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>

#include "app/language_controls.h"
#include "app/main_window.h"
#include "session/vocabulary.h"

using namespace kestrova;

void TForm2::stopWatchdog() { timer1_.stop(); }

void TForm2::restartWatchdog() { timer1_.start(); }

void TForm2::clearRecord() { clearRecordFields(); }

void TForm2::logLine(const std::string& line) { ui_.log->addItem(QString::fromStdString(line)); }

void TForm2::fieldText(RecordField field, const std::string& text) {
  ui_.recordEdits[static_cast<std::size_t>(field)]->setText(QString::fromStdString(text));
}

void TForm2::progressStep() { ui_.progress->setValue(ui_.progress->value() + progressStep_); }

std::string TForm2::applyLanguage(const std::function<std::string(LanguageState&)>& apply) {
  LanguageState state = ReadLanguageControls(ui_);
  const std::string shown = apply(state);
  ShowLanguageControls(ui_, state);
  return shown;
}

std::string TForm2::applyCodePage(int number) {
  return applyLanguage([number](LanguageState& state) { return ApplyCodePageNumber(state, number); });
}

std::string TForm2::applyCharSet(int number) {
  return applyLanguage([number](LanguageState& state) { return ApplyCharsetNumber(state, number); });
}

std::string TForm2::applyNewFont(FontReply reply) {
  return applyLanguage([reply](LanguageState& state) { return ApplyFontReply(state, reply); });
}

void TForm2::applySwitchReplies(const SwitchSlots& replies, ModelNo activeModelNo) {
  activeModelNo_ = activeModelNo;
  ShowSwitchReplies(replies, activeModelNo, activeDefinitions_, switchView_);
}
