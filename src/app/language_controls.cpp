#include "app/language_controls.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include "app/window_layout.h"

using namespace kestrova;

namespace {

// Position of an editable list: the selected entry when the box shows its text, -1 for typed text.
int ShownPosition(const QComboBox* box) {
  const int index = box->currentIndex();
  return index >= 0 && box->itemText(index) == box->currentText() ? index : kNoPosition;
}

void Show(QComboBox* box, int position) {
  const QSignalBlocker block(box);
  box->setCurrentIndex(position >= 0 && position < box->count() ? position : -1);
  if (box->isEditable() && box->currentIndex() < 0) box->setEditText(QString());
}

}  // namespace

void FillLanguageControls(const WindowLayout& ui) {
  for (const auto& page : CodePageTable()) {
    ui.selectCodePage->addItem(page.entry);
    ui.codePageName->addItem(page.name);
  }
  for (const auto& entry : CharsetEntries()) ui.internationalCharSet->addItem(QString::fromStdString(entry));
  for (const auto& entry : New8x16FontEntries()) ui.selectNewFont->addItem(QString::fromStdString(entry));
  ui.internationalCharSet->setInsertPolicy(QComboBox::NoInsert);
  ui.selectNewFont->setInsertPolicy(QComboBox::NoInsert);
  ShowLanguageControls(ui, LanguageState{});
}

LanguageState ReadLanguageControls(const WindowLayout& ui) {
  LanguageState state;
  state.codePagePosition = ui.selectCodePage->currentIndex();
  state.codePageNamePosition = ui.codePageName->currentIndex();
  state.charsetPosition = ShownPosition(ui.internationalCharSet);
  state.charsetText = ui.internationalCharSet->currentText().toStdString();
  state.fontPosition = ShownPosition(ui.selectNewFont);
  return state;
}

void ShowLanguageControls(const WindowLayout& ui, const LanguageState& state) {
  Show(ui.selectCodePage, state.codePagePosition);
  Show(ui.codePageName, state.codePageNamePosition);
  Show(ui.internationalCharSet, state.charsetPosition);
  if (state.charsetPosition < 0 && !state.charsetText.empty()) {
    const QSignalBlocker block(ui.internationalCharSet);
    ui.internationalCharSet->setEditText(QString::fromStdString(state.charsetText));
  }
  Show(ui.selectNewFont, state.fontPosition);
}
