#include "cli/progress_bar.h"

#include <algorithm>
#include <ostream>
#include <string>

namespace tabrin::cli {

bool ProgressBar::Due(const TWorkProgress& progress) const {
  const bool last = progress.done >= progress.total;
  return !drawn_ || last || std::chrono::steady_clock::now() - shownAt_ >= std::chrono::milliseconds(100);
}

void ProgressBar::Draw(const TWorkProgress& progress, std::string_view note) {
  shownAt_ = std::chrono::steady_clock::now();
  const int total = progress.total;
  const int done = std::min(progress.done, total);
  const int filled = total > 0 ? static_cast<int>(static_cast<long long>(done) * kWidth / total) : kWidth;
  out_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
       << std::string(static_cast<std::size_t>(kWidth - filled), ' ') << "] " << progress.done << "/" << total;
  if (!note.empty()) out_ << " " << note;
  out_ << std::flush;
  drawn_ = true;
}

void ProgressBar::Clear() {
  if (drawn_) out_ << "\r\x1b[K" << std::flush;
  drawn_ = false;
}

}  // namespace tabrin::cli
