#pragma once
// A captioned group of radio buttons with an item index, as the window's switches and serial
// settings use it: -1 when nothing is selected, else the index of the checked item.
#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

class RadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  RadioGroup(const QString& objectName, const QString& caption, const QStringList& items,
             Qt::Orientation orientation, QWidget* parent = nullptr);

  int itemIndex() const;
  // Selects an item (or none for -1) without raising clicked().
  void setItemIndex(int index);
  QRadioButton* item(int index) const;

 signals:
  // The user clicked an item.
  void clicked(int index);

 private:
  QButtonGroup* group_;
};
