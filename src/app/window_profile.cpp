// Profiles in the window: the settings shown saved as the JSON that `kestrova-swctl read --json`
// prints, and such a file loaded back into the controls (nothing is sent until "Write Settings").
// Also the Log History saved as a text file.
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>
#include <QSaveFile>

#include "app/language_controls.h"
#include "app/main_window.h"
#include "app/radio_group.h"
#include "model/catalogue.h"
#include "model/switch_bank.h"
#include "model/debug_trace.h"
#include "profile/backup_store.h"
#include "profile/printer_profile.h"
#include "profile/regular_file.h"

using namespace kestrova;

namespace {

const QString kProfileFilter = QStringLiteral("Printer profile (*.json)");

std::string ModelName(ModelNo no) {
  const PrinterModel* model = FindModel(no);
  return model ? model->code : "an unknown model";
}

UserMessage ProfileProblem(const std::string& text, const std::string& detail) {
  return {text, "WARNING", MessageIcon::Warning, detail};
}

// Writes the bytes whole or not at all.
std::string WriteFileWhole(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
    return path.toStdString() + ": " + file.errorString().toStdString();
  return {};
}

}  // namespace

profile::PrinterProfile TForm2::shownProfile() const {
  profile::PrinterProfile shown;
  shown.model = activeModelNo_;
  const WriteValues values = writeValues();
  for (int n = 0; n < kSwitchBytes; ++n) shown.bytes[static_cast<std::size_t>(n)] = values.switches[static_cast<std::size_t>(n)];
  const LanguageState language = ReadLanguageControls(ui_);
  auto position = [](int p) { return p >= 0 ? std::optional<int>(p) : std::nullopt; };
  shown.codePagePosition = position(language.codePagePosition);
  shown.charsetPosition = position(language.charsetPosition);
  shown.fontPosition = position(language.fontPosition);
  // What the read did not get cleanly and the user did not set stays marked, so that no write
  // from this file sends it.
  shown.unclean = values.unverified;
  return shown;
}

bool TForm2::saveProfileTo(const QString& path) {
  const std::string error = WriteFileWhole(path, profile::SerializeProfile(shownProfile()));
  if (!error.empty()) notifier_->notify(ProfileProblem("Profile not saved", error));
  return error.empty();
}

bool TForm2::loadProfileFrom(const QString& path) {
  std::string why;
  const auto bytes = profile::ReadProfileFile(path.toStdString(), why);
  if (!bytes) {
    notifier_->notify(ProfileProblem("Profile not loaded", path.toStdString() + ": " + why));
    return false;
  }
  const auto loaded = profile::ParseProfile(*bytes, why);
  if (!loaded) {
    notifier_->notify(ProfileProblem("Profile not loaded", path.toStdString() + ": " + why));
    return false;
  }
  if (const auto unclean = profile::UncleanHeldValues(*loaded); !unclean.empty()) {
    notifier_->notify(ProfileProblem("Profile not loaded", profile::UncleanRefusal(path.toStdString(), unclean)));
    return false;
  }
  if (loaded->model != activeModelNo_) {
    notifier_->notify(ProfileProblem("Profile not loaded", "The profile is for " + ModelName(loaded->model) +
                                                               ", the printer read is " + ModelName(activeModelNo_) + "."));
    return false;
  }
  // As if the user had clicked every switch and picked every list entry the profile holds.
  for (int n = 1; n <= kSwitchBytes; ++n) {
    const auto byte = loaded->bytes[static_cast<std::size_t>(n - 1)];
    if (!byte) continue;
    userSet_.setByte(n);
    ShowSwitchByte(switchView_, n, *byte);
    for (int b = 1; b <= kBitsPerSwitch; ++b) RBG_SwitchClick(SwitchIndex(n, b));
  }
  LanguageState language = ReadLanguageControls(ui_);
  // Picking the code page runs its change handler, which sets the character set as well.
  if (loaded->codePagePosition) SelectCodePage(language, *loaded->codePagePosition);
  if (loaded->charsetPosition) SelectCharset(language, *loaded->charsetPosition);
  if (loaded->fontPosition) SelectNew8x16Font(language, *loaded->fontPosition);
  userSet_.codePage = userSet_.codePage || loaded->codePagePosition.has_value();
  userSet_.charSet = userSet_.charSet || loaded->codePagePosition.has_value() || loaded->charsetPosition.has_value();
  userSet_.font = userSet_.font || loaded->fontPosition.has_value();
  ShowLanguageControls(ui_, language);
  return true;
}

bool TForm2::saveBackup() {
  std::string error;
  const auto path = profile::SaveBackup(profile::BackupRoot(), readProfile_, readSource_, error);
  if (!path) {
    const std::string why = "backup not saved: " + error + "; nothing written";
    DebugTrace("(WriteSW)" + why);
    notifier_->notify(WriteOutcomeMessage({WriteOutcome::Refused, why}));
    return false;
  }
  ui_.log->addItem(QString::fromStdString("Backup saved to " + *path + "\r\n"));
  return true;
}

bool TForm2::saveLogTo(const QString& path) {
  QByteArray text;
  // Each line keeps its own "\r\n". The lines hold printer texts byte for byte (Latin-1); UTF-8
  // keeps every one of them, where Latin-1 output would turn any other character into "?".
  for (int i = 0; i < ui_.log->count(); ++i) text += ui_.log->item(i)->text().toUtf8();
  const std::string error = WriteFileWhole(path, text);
  if (!error.empty()) notifier_->notify(ProfileProblem("Log not saved", error));
  return error.empty();
}

void TForm2::BTN_SaveProfileClick() {
  const QString path = QFileDialog::getSaveFileName(this, "Save Profile", {}, kProfileFilter);
  if (!path.isEmpty()) saveProfileTo(path);
}

void TForm2::BTN_LoadProfileClick() {
  const QString path = QFileDialog::getOpenFileName(this, "Load Profile", {}, kProfileFilter);
  if (!path.isEmpty()) loadProfileFrom(path);
}

void TForm2::SaveLogClick() {
  const QString path = QFileDialog::getSaveFileName(this, "Save Log", {}, "Text file (*.txt)");
  if (!path.isEmpty()) saveLogTo(path);
}
