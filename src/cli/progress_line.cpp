#include "cli/progress_line.h"

#include <algorithm>

namespace kestrova::cli {

ProgressLine::ProgressLine(std::ostream& err, bool enabled, std::vector<std::string> labels,
                           std::vector<int> stepsPerPrinter)
    : err_(err), enabled_(enabled), labels_(std::move(labels)), total_(std::move(stepsPerPrinter)),
      steps_(total_.size(), 0) {
  if (enabled_) {
    std::lock_guard<std::mutex> lock(mutex_);
    render();
  }
}

void ProgressLine::update(std::size_t printer, int steps) {
  if (!enabled_ || printer >= steps_.size()) return;
  std::lock_guard<std::mutex> lock(mutex_);
  steps_[printer] = std::min(steps, total_[printer]);
  render();
}

void ProgressLine::finish() {
  if (!enabled_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  err_ << '\r' << std::string(shownWidth_, ' ') << '\r' << std::flush;
  shownWidth_ = 0;
}

void ProgressLine::note(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (enabled_ && shownWidth_ > 0) err_ << '\r' << std::string(shownWidth_, ' ') << '\r';
  err_ << line << '\n' << std::flush;
  if (!enabled_) return;
  shownWidth_ = 0;
  shownPercent_ = -1;
  render();
}

void ProgressLine::render() {
  long done = 0;
  long total = 0;
  for (std::size_t i = 0; i < steps_.size(); ++i) {
    done += steps_[i];
    total += total_[i];
  }
  const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  const std::string what = labels_.size() == 1 ? labels_.front() : std::to_string(labels_.size()) + " printers";
  const int filled = percent * kBarWidth / 100;
  const std::string line = "reading " + what + " [" + std::string(static_cast<std::size_t>(filled), '#') +
                           std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + "] " +
                           std::to_string(percent) + "%";
  err_ << '\r' << line;
  if (line.size() < shownWidth_) err_ << std::string(shownWidth_ - line.size(), ' ');
  err_ << std::flush;
  shownWidth_ = std::max(shownWidth_, line.size());
}

}  // namespace kestrova::cli
