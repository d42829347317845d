#pragma once
// The Log History: the value lines of the current or last read, one per reply, each kept with its
// trailing "\r\n".
#include <string>
#include <vector>

namespace kestrova {

class LogHistory {
 public:
  virtual ~LogHistory() = default;
  virtual void append(const std::string& line) = 0;
  virtual void clear() = 0;
};

// A Log History kept in memory (command-line tool, tests).
class MemoryLogHistory : public LogHistory {
 public:
  void append(const std::string& line) override { lines_.push_back(line); }
  void clear() override { lines_.clear(); }
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

}  // namespace kestrova
