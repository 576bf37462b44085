#pragma once
// Runs a writer in a child process under a condition that makes writing a
// file fail as it fails for users, and reports what the writer said:
//
// - a full disk: the child may not grow any file (RLIMIT_FSIZE of 0), so
//   its writes fail as on a full disk (with EFBIG where a full disk gives
//   ENOSPC), whichever library makes them;
// - a read-only target: the target is made mode 0444.  Root may write any
//   file, so when the tests run as root the child runs as another user
//   (nobody), in a folder opened to everyone.
//
// Also: a writer killed in the middle of its work, and the files a folder
// holds afterwards.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tabrin::test {

enum class TTrouble { tFullDisk, tReadOnlyTarget };

inline const char* TroubleName(TTrouble trouble) {
  return trouble == TTrouble::tFullDisk ? "full disk" : "read-only target";
}

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
    const std::string text = skipped.empty() ? "said " + said : "skipped " + skipped;
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

// Runs work, which writes target, in a child under the trouble.
inline TTroubledWrite WriteInTrouble(TTrouble trouble, const std::string& target, const std::function<void()>& work) {
  if (trouble == TTrouble::tFullDisk) {
    return RunInTroubledChild(
        [] {
          signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the process
          const rlimit limit{0, 0};
          return setrlimit(RLIMIT_FSIZE, &limit) == 0 ? std::string() : std::string("setrlimit failed");
        },
        work);
  }
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

// Runs work in a child that is killed (SIGKILL) where the work calls
// killHere, which does not return.  True when the child died so.
inline bool KilledMidWay(const std::function<void(const std::function<void()>& killHere)>& work) {
  int ready[2];
  if (pipe(ready) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    work([&] {
      (void)!write(ready[1], "k", 1);
      for (;;) pause();
    });
    _exit(0);
  }
  char signal = 0;
  if (read(ready[0], &signal, 1) == 1) kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  close(ready[0]);
  close(ready[1]);
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// Runs work in a child that is killed at the moment a file it writes grows
// beyond the given size (SIGXFSZ, whose default action ends the process),
// for work that offers no point to be killed at.  True when it died so.
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

// The names in the folder, sorted.
inline std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tabrin::test
