#pragma once
// Runs a writer in a child process under a condition that makes writing a
// file fail as it fails for users, and reports what the writer said:
//
// - a full disk: the child may not grow any file beyond a few bytes
//   (RLIMIT_FSIZE), so its writes fail as on a full disk (with EFBIG where a
//   full disk gives ENOSPC), whichever library makes them;
// - a read-only target: the target is made mode 0444.  Root may write any
//   file, so when the tests run as root the child runs as another user
//   (nobody), in a folder opened to everyone;
// - a writer killed in the middle of writing, at the moment a file it
//   writes grows beyond a given size (SIGXFSZ, whose default action ends
//   the process).
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <filesystem>
#include <functional>
#include <string>

namespace tabrin::test {

struct TTroubledWrite {
  std::string said;     // the message the writer raised; empty when it raised none
  std::string skipped;  // why the condition could not be arranged; empty when it was
};

// Runs prepare and then work in a child; prepare returns why it could not
// arrange the condition, or nothing.
inline TTroubledWrite RunInTroubledChild(const std::function<std::string()>& prepare,
                                         const std::function<void()>& work) {
  int report[2];
  if (pipe(report) != 0) return {"", "no pipe"};
  const pid_t child = fork();
  if (child == 0) {
    close(report[0]);
    std::string said;
    const std::string skipped = prepare();
    if (skipped.empty()) {
      try {
        work();
      } catch (const std::exception& e) {
        said = e.what();
      }
    }
    const std::string text = (skipped.empty() ? "said " : "skipped ") + (skipped.empty() ? said : skipped);
    (void)!write(report[1], text.data(), text.size());
    _exit(0);
  }
  close(report[1]);
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  close(report[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (text.rfind("said ", 0) == 0) return {text.substr(5), ""};
  if (text.rfind("skipped ", 0) == 0) return {"", text.substr(8)};
  return {"(the child died)", ""};
}

inline TTroubledWrite WriteOnAFullDisk(const std::function<void()>& work, rlim_t bytesLeft = 4096) {
  return RunInTroubledChild(
      [bytesLeft] {
        signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the process
        const rlimit limit{bytesLeft, bytesLeft};
        return setrlimit(RLIMIT_FSIZE, &limit) == 0 ? std::string() : std::string("setrlimit failed");
      },
      work);
}

inline TTroubledWrite WriteOverAReadOnlyTarget(const std::string& target, const std::function<void()>& work) {
  chmod(target.c_str(), 0444);
  if (geteuid() == 0) chmod(std::filesystem::path(target).parent_path().c_str(), 0777);
  return RunInTroubledChild(
      [] {
        if (geteuid() != 0) return std::string();
        const uid_t nobody = 65534;
        if (setgid(nobody) != 0 || setuid(nobody) != 0) return std::string("running as root, and cannot become another user");
        return std::string();
      },
      work);
}

// True when the child was killed in the middle of the work.
inline bool KilledWhileWriting(const std::function<void()>& work, rlim_t bytesWritten) {
  const pid_t child = fork();
  if (child == 0) {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const rlimit limit{bytesWritten, bytesWritten};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(1);
    try {
      work();
    } catch (const std::exception&) {
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ;
}

}  // namespace tabrin::test
