#pragma once
// Shows the core's user messages as modal message boxes (no owner window, OK button).
#include "model/notifier.h"

class MessageBoxNotifier : public kestrova::Notifier {
 public:
  void notify(const kestrova::UserMessage& message) override;
};
