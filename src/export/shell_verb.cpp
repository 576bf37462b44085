#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "export/ferran3.h"

extern char** environ;

namespace tabrin {

void RunShellVerb(const std::string& verb, const std::string& fileName) {
  std::vector<std::string> args;
  if (verb == "open") {
    args = {"xdg-open", fileName};
  } else if (verb == "print") {
    args = {"lp", "--", fileName};
  } else {
    return;
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // The viewer may run for as long as the user keeps the file open, so it
  // gets a session of its own (a terminal's Ctrl-C or hang-up does not reach
  // it) and nothing here waits for it but a small thread that reaps it when
  // it ends.  posix_spawn starts it without forking this (threaded) process.
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) return;
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t viewer = 0;
  const int rc = posix_spawnp(&viewer, argv[0], nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0) return;
  std::thread([viewer] {
    int status = 0;
    waitpid(viewer, &status, 0);
  }).detach();
}

}  // namespace tabrin
