#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
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

  // The program that opens the file may run for as long as the user keeps
  // it open: start it in a child of its own so that nothing waits for it,
  // and reap only the short-lived intermediate process.
  const pid_t intermediate = fork();
  if (intermediate < 0) return;
  if (intermediate == 0) {
    setsid();
    pid_t viewer = 0;
    const int rc = posix_spawnp(&viewer, argv[0], nullptr, nullptr, argv.data(), environ);
    _exit(rc == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(intermediate, &status, 0);
}

}  // namespace tabrin
