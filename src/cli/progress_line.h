#pragma once
// The one-line progress indicator of a read, for a terminal only:
//   "\rreading 127.0.0.1:9100 [##########          ] 50%"
//   "\rreading 3 printers [####                ] 20%"
// Updated from the fleet's loops; each update rewrites the line when the percentage moves.
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace kestrova::cli {

class ProgressLine {
 public:
  // stepsPerPrinter: the progress steps of one full read.
  ProgressLine(std::ostream& err, bool enabled, std::vector<std::string> labels, std::vector<int> stepsPerPrinter);

  // Printer i has made this many steps.
  void update(std::size_t printer, int steps);
  // Clears the line (before the results are printed).
  void finish();
  // Prints one line of text above the progress line (which is drawn again below it).
  void note(const std::string& line);

  static constexpr int kBarWidth = 20;

 private:
  void render();

  std::ostream& err_;
  const bool enabled_;
  std::vector<std::string> labels_;
  std::vector<int> total_;
  std::vector<int> steps_;
  int shownPercent_ = -1;
  std::size_t shownWidth_ = 0;
  std::mutex mutex_;
};

}  // namespace kestrova::cli
