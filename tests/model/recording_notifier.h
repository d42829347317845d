#pragma once
#include <vector>

#include "model/notifier.h"

// Records the messages the core would show.
class RecordingNotifier : public kestrova::Notifier {
 public:
  void notify(const kestrova::UserMessage& message) override { messages.push_back(message); }
  std::vector<kestrova::UserMessage> messages;
};
