#include "app/widget_switch_view.h"

#include <QLabel>
#include <QLineEdit>

#include "app/radio_group.h"
#include "app/window_layout.h"
#include "model/printer_record.h"

namespace {
QLineEdit* Edit(const WindowLayout& ui, kestrova::RecordField field) {
  return ui.recordEdits[static_cast<std::size_t>(field)];
}
}  // namespace

int WidgetSwitchView::itemIndex(int bitIndex) const {
  return ui_.switches[static_cast<std::size_t>(bitIndex)]->itemIndex();
}

void WidgetSwitchView::setItemIndex(int bitIndex, int item) {
  ui_.switches[static_cast<std::size_t>(bitIndex)]->setItemIndex(item);
}

std::string WidgetSwitchView::label(int bitIndex) const {
  return ui_.switchInfo[static_cast<std::size_t>(bitIndex)]->text().toStdString();
}

void WidgetSwitchView::setLabel(int bitIndex, const std::string& text) {
  ui_.switchInfo[static_cast<std::size_t>(bitIndex)]->setText(QString::fromStdString(text));
}

std::string WidgetSwitchView::printDensity() const {
  return Edit(ui_, kestrova::RecordField::PrintDensity)->text().toStdString();
}

void WidgetSwitchView::setPrintDensity(const std::string& text) {
  Edit(ui_, kestrova::RecordField::PrintDensity)->setText(QString::fromStdString(text));
}

void WidgetSwitchView::setThaiPass(const std::string& text) {
  Edit(ui_, kestrova::RecordField::Thai1n3Pass)->setText(QString::fromStdString(text));
}
