#include "session/link_choice.h"

namespace kestrova {

LinkChoice LinkChoice::FromSelectionText(std::string_view text) {
  const LinkKind kind = LinkKind::FromSelectionText(text);
  LinkChoice choice;
  if (kind.isTcp()) choice.kind = Kind::Tcp;
  if (kind.isUsb()) choice.kind = Kind::Usb;
  if (kind.isCom()) {
    choice.kind = kind.usesSerialComponent() ? Kind::SerialComponent : Kind::SerialDevice;
    choice.comNumber = kind.comNumber;
  }
  return choice;
}

}  // namespace kestrova
