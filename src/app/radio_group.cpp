#include "app/radio_group.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QRadioButton>

RadioGroup::RadioGroup(const QString& objectName, const QString& caption, const QStringList& items,
                       Qt::Orientation orientation, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
  setObjectName(objectName);
  auto* layout = new QBoxLayout(orientation == Qt::Horizontal ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom, this);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->setSpacing(orientation == Qt::Horizontal ? 16 : 0);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    button->setObjectName(objectName + "_" + QString::number(i));
    group_->addButton(button, i);
    layout->addWidget(button);
  }
  layout->addStretch(1);
  connect(group_, &QButtonGroup::idClicked, this, &RadioGroup::clicked);
}

int RadioGroup::itemIndex() const { return group_->checkedId(); }

void RadioGroup::setItemIndex(int index) {
  if (index == itemIndex()) return;
  if (index < 0 || index >= group_->buttons().size()) {
    // An exclusive group never unchecks its last button; lift exclusivity for a moment.
    group_->setExclusive(false);
    for (auto* b : group_->buttons()) b->setChecked(false);
    group_->setExclusive(true);
    return;
  }
  group_->button(index)->setChecked(true);
}

QRadioButton* RadioGroup::item(int index) const { return qobject_cast<QRadioButton*>(group_->button(index)); }
