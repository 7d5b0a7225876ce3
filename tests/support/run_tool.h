// Runs the built tool as a child process, as a user would from a shell, and
// captures what it writes and how it ends.
#ifndef RECIPSCAN_TESTS_SUPPORT_RUN_TOOL_H
#define RECIPSCAN_TESTS_SUPPORT_RUN_TOOL_H

#include <string>
#include <vector>

namespace recipscan_test {

struct RunOptions {
  // Where standard output goes instead of being captured (e.g. /dev/full).
  std::string stdout_path;
  // Extra NAME=VALUE entries for the environment.
  std::vector<std::string> env;
  // The working directory, if not the test's own.
  std::string cwd;
  // Start the tool with an empty argument list, no invocation name at all.
  bool no_arguments = false;
};

struct RunResult {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  std::string out;
  std::string err;
};

// run_tool runs |program| with |args| (args[0] is the invocation name).
RunResult run_tool(const std::string& program,
                   const std::vector<std::string>& args,
                   const RunOptions& options = {});

// read_file returns the whole of |path|.
std::string read_file(const std::string& path);

}  // namespace recipscan_test

#endif  // RECIPSCAN_TESTS_SUPPORT_RUN_TOOL_H
