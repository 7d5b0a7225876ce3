#include "run_tool.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;  // NOLINT(readability-redundant-declaration)

namespace recipscan_test {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

RunResult run_tool(const std::string& program,
                   const std::vector<std::string>& args,
                   const RunOptions& options) {
  char out_template[] = "/tmp/recipscan-out-XXXXXX";
  char err_template[] = "/tmp/recipscan-err-XXXXXX";
  int out_fd = mkstemp(out_template);
  int err_fd = mkstemp(err_template);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (options.stdout_path.empty()) {
    posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, options.stdout_path.c_str(),
                                     O_WRONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, err_fd, 2);
  if (!options.cwd.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, options.cwd.c_str());
  }

  std::vector<char*> argv;
  if (!options.no_arguments) {
    for (const std::string& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
  }
  argv.push_back(nullptr);
  std::vector<std::string> env_store;
  for (char** e = environ; *e != nullptr; ++e) env_store.emplace_back(*e);
  env_store.insert(env_store.end(), options.env.begin(), options.env.end());
  std::vector<char*> envp;
  envp.reserve(env_store.size() + 1);
  for (std::string& e : env_store) envp.push_back(e.data());
  envp.push_back(nullptr);

  RunResult result;
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(),
                  envp.data()) == 0) {
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0) {
    }
    result.status =
        WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  }
  posix_spawn_file_actions_destroy(&actions);
  close(out_fd);
  close(err_fd);
  result.out = read_file(out_template);
  result.err = read_file(err_template);
  unlink(out_template);
  unlink(err_template);
  return result;
}

}  // namespace recipscan_test
