#pragma once
// How the core tells the user of an outcome. The window shows a modal message box; the
// command-line tool prints; tests record. The core never opens a message box itself.
#include <string>

namespace kestrova {

enum class MessageIcon { Information, Warning, Error };

struct UserMessage {
  std::string text;     // the message box's main text
  std::string caption;  // "WARNING", "FINISH", "Error", ...
  MessageIcon icon = MessageIcon::Information;
  std::string detail;   // what is known of the cause and how to fix it; may be empty
};

class Notifier {
 public:
  virtual ~Notifier() = default;
  virtual void notify(const UserMessage& message) = 0;
};

}  // namespace kestrova
