// Shell: starts a program with posix_spawn and reaps it in the background.
#include "zentrik/platform/process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "zentrik/platform/automation_error.h"

extern char** environ;

namespace zentrik {
namespace {

std::vector<std::string> split_blanks(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

}  // namespace

Long Shell(const std::string& pathName, Long windowStyle) {
  // Window styles 0 (hidden) to 6 (minimised without focus) exist; they mean nothing here.
  if (windowStyle < 0 || windowStyle > 6) {
    raise_error(errors::kInvalidProcedureCall, ZENTRIK_MODULE_NAME);
  }
  std::vector<std::string> words = split_blanks(pathName);
  if (words.empty()) raise_error(errors::kInvalidProcedureCall, ZENTRIK_MODULE_NAME);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  // glibc reports a failed exec in the child as the result of posix_spawnp.
  if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    raise_error(errors::kFileNotFound, ZENTRIK_MODULE_NAME);
  }
  // Shell does not wait, but the finished child must not linger as a zombie.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return static_cast<Long>(pid);
}

}  // namespace zentrik
