#pragma once
// The one progress bar of the command line, for imports and exports alike:
// a line on a terminal, "[#####     ] 120/400 <note>", redrawn at most ten
// times a second and always for the last record, cleared at the end.
//
//   ProgressBar bar(streams.err);
//   control.progress = [&](const TWorkProgress& p) { bar.Show(p); };
//   // or, with a text after the counts:
//   control.progress = [&](const TWorkProgress& p) { bar.Show(p, [&] { return CountsLine(counts); }); };
//   ... run the work ...
//   bar.Clear();
#include <chrono>
#include <iosfwd>
#include <string_view>

#include "text/work_control.h"

namespace tabrin::cli {

class ProgressBar {
 public:
  explicit ProgressBar(std::ostream& out) : out_(out) {}
  ~ProgressBar() { Clear(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void Show(const TWorkProgress& progress) {
    if (Due(progress)) Draw(progress, {});
  }
  // makeNote() gives a text shown after the counts (the import's running
  // counts); it is called only when the line is redrawn.
  template <class MakeNote>
  void Show(const TWorkProgress& progress, MakeNote makeNote) {
    if (Due(progress)) Draw(progress, makeNote());
  }
  // Erases the line if it was drawn.
  void Clear();

 private:
  bool Due(const TWorkProgress& progress) const;
  void Draw(const TWorkProgress& progress, std::string_view note);

  static constexpr int kWidth = 30;
  std::ostream& out_;
  std::chrono::steady_clock::time_point shownAt_{};
  bool drawn_ = false;
};

}  // namespace tabrin::cli
