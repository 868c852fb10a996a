#include "platform/Subprocess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace velmora::platform {

std::string findOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (!path || program.empty() || program.find('/') != std::string::npos) return {};
  std::string folders(path);
  for (std::size_t start = 0; start <= folders.size();) {
    const std::size_t end = std::min(folders.find(':', start), folders.size());
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    const std::string candidate = folder + "/" + program;
    struct stat info {};
    if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return {};
}

int runAndWait(const std::vector<std::string>& argv, std::string& output) {
  output.clear();
  if (argv.empty()) {
    output = "no program to run";
    return -1;
  }
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) {
    output = std::strerror(errno);
    return -1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], 2);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t child = 0;
  const int started = posix_spawn(&child, argv[0].c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe[1]);
  if (started != 0) {
    ::close(pipe[0]);
    output = argv[0] + ": " + std::strerror(started);
    return -1;
  }
  constexpr std::size_t kKept = 64 * 1024;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(pipe[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    output.append(buffer, static_cast<std::size_t>(n));
    if (output.size() > 2 * kKept) output.erase(0, output.size() - kKept);
  }
  ::close(pipe[0]);
  if (output.size() > kKept) output.erase(0, output.size() - kKept);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0)
    if (errno != EINTR) {
      output += std::strerror(errno);
      return -1;
    }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  output += "\n" + argv[0] + " ended by signal " + std::to_string(WTERMSIG(status));
  return -1;
}

}  // namespace velmora::platform
