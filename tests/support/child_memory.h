#pragma once
// Runs a piece of work in a child process and reports what it said and how
// much its peak resident size grew, so that a test can bound the memory the
// work takes without the rest of the test program in the figure.  The child
// runs under an address-space limit, so that a fault fails the test (the
// work ends in std::bad_alloc) instead of exhausting the machine.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <new>
#include <string>

namespace tabrin::test {

struct TChildOutcome {
  std::string said;       // what the work returned, or what it threw
  long peakGrowthKiB = -1;
};

namespace detail {

inline long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

inline long VirtualKiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  statm >> pages;
  return pages * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace detail

inline TChildOutcome RunInChild(const std::function<std::string()>& work, long allowedKiB) {
  int report[2];
  if (pipe(report) != 0) return {"(no pipe)", -1};
  const pid_t child = fork();
  if (child == 0) {
    close(report[0]);
    std::string said;
    long growth = -1;
    try {
      const long before = detail::PeakResidentKiB();
      const rlim_t limit = static_cast<rlim_t>(detail::VirtualKiB() + allowedKiB) * 1024;
      const rlimit bounds{limit, limit};
      setrlimit(RLIMIT_AS, &bounds);
      said = work();
      growth = detail::PeakResidentKiB() - before;
    } catch (const std::bad_alloc&) {
      said = "std::bad_alloc";
    } catch (const std::exception& e) {
      said = e.what();
    }
    const std::size_t length = said.size();
    (void)!write(report[1], &growth, sizeof growth);
    (void)!write(report[1], &length, sizeof length);
    (void)!write(report[1], said.data(), length);
    _exit(0);
  }
  close(report[1]);
  TChildOutcome outcome;
  std::size_t length = 0;
  if (read(report[0], &outcome.peakGrowthKiB, sizeof outcome.peakGrowthKiB) == sizeof outcome.peakGrowthKiB &&
      read(report[0], &length, sizeof length) == sizeof length) {
    outcome.said.resize(length);
    std::size_t done = 0;
    while (done < length) {
      const ssize_t n = read(report[0], outcome.said.data() + done, length - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
  } else {
    outcome.said = "(the child died)";
  }
  close(report[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return outcome;
}

}  // namespace tabrin::test
