// The tool as a user runs it: arguments, files that cannot be read, the report
// framing, exit statuses, and real messages made with the OpenSSL command line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "run_tool.h"
#include "test_record.h"

namespace recipscan_test {
namespace {

namespace fs = std::filesystem;

const std::string tool = RECIPSCAN_BINARY;
const std::string usage_tail =
    "  message.msg\n\nscans encrypted message to find certificate serial "
    "numbers it was encrypted for\n";

class Cli : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("recipscan-cli-" + std::to_string(getpid()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string file(const std::string& name, const std::string& content) {
    std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  fs::path dir_;
};

TEST_F(Cli, UsageNamesTheInvocation) {
  struct {
    std::vector<std::string> args;
    bool no_arguments;
    std::string name;
  } const runs[] = {
      {{"recipscan"}, false, "recipscan"},
      {{"/opt/tools/scan"}, false, "/opt/tools/scan"},
      {{}, true, "recipscan"},  // no invocation name at all
  };
  for (const auto& run : runs) {
    RunOptions options;
    options.no_arguments = run.no_arguments;
    RunResult r = run_tool(tool, run.args, options);
    EXPECT_EQ(r.out, "usage: " + run.name + usage_tail);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(Cli, ReportsAndStatuses) {
  std::string empty = file("empty", "");
  std::string plain = file("plain", "no recipients here\n");
  std::string raw =
      file("raw", std::string("\r\n\x1a\r\x1a\n", 6) + test_record);
  std::string missing = (dir_ / "missing.p7m").string();
  std::string directory = dir_.string();
  struct {
    const char* what;
    std::vector<std::string> args;
    std::string out;
    int status;
  } const runs[] = {
      {"empty file", {empty}, "\n", 0},
      {"no pattern", {plain}, "\n", 0},
      {"CR LF and 0x1A before a record", {raw}, "\n" + test_report, 0},
      {"further arguments ignored",
       {raw, missing, "--help"},
       "\n" + test_report,
       0},
      {"missing file", {missing}, "error opening " + missing + "\n", 254},
      {"directory", {directory}, "error opening " + directory + "\n", 254},
      {"missing file, further arguments",
       {missing, raw},
       "error opening " + missing + "\n",
       254},
  };
  for (const auto& run : runs) {
    std::vector<std::string> args = {"recipscan"};
    args.insert(args.end(), run.args.begin(), run.args.end());
    RunResult r = run_tool(tool, args);
    EXPECT_EQ(r.out, run.out) << run.what;
    EXPECT_EQ(r.status, run.status) << run.what;
    EXPECT_EQ(r.err, "") << run.what;
  }
}

TEST_F(Cli, DashIsAFileName) {
  RunOptions options;
  options.cwd = dir_.string();
  RunResult missing = run_tool(tool, {"recipscan", "-"}, options);
  EXPECT_EQ(missing.out, "error opening -\n");
  EXPECT_EQ(missing.status, 254);

  file("-", test_record);
  RunResult found = run_tool(tool, {"recipscan", "-"}, options);
  EXPECT_EQ(found.out, "\n" + test_report);
  EXPECT_EQ(found.status, 0);
}

TEST_F(Cli, FailedReportIsNotSuccess) {
  RunOptions options;
  options.stdout_path = "/dev/full";
  RunResult r = run_tool(tool, {"recipscan", file("m", test_record)}, options);
  EXPECT_EQ(r.status, 252);
  EXPECT_EQ(r.err, "");
}

TEST_F(Cli, ReadsANamedPipe) {
  std::string fifo = (dir_ / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string content;
  for (int i = 0; i < 50000; ++i) content += "..." + test_record;
  std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << content; });
  RunResult r = run_tool(tool, {"recipscan", fifo});
  writer.join();
  std::string expected = "\n";
  for (int i = 0; i < 50000; ++i) expected += test_report;
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.status, 0);
}

TEST_F(Cli, RecordsAppearWhileTheInputIsStillComing) {
  std::string fifo = (dir_ / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string out = file("out", "");
  RunOptions options;
  options.stdout_path = out;
  RunResult result;
  std::thread run([&] {
    result = run_tool(tool, {"recipscan", fifo}, options);
  });
  {
    std::ofstream writer(fifo, std::ios::binary);
    writer << test_record << std::flush;
    bool shown = false;
    for (int wait = 0; wait < 1000 && !shown; ++wait) {
      shown = read_file(out) == "\n" + test_report;
      if (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(shown) << "the first record waited for more input";
    writer << test_record;
  }
  run.join();
  EXPECT_EQ(read_file(out), "\n" + test_report + test_report);
  EXPECT_EQ(result.status, 0);
}

TEST_F(Cli, RealMessages) {
  int messages = 0;
  for (const auto& entry : fs::directory_iterator(RECIPSCAN_TEST_DATA)) {
    if (entry.path().extension() != ".p7m") continue;
    ++messages;
    fs::path expected = entry.path();
    expected.replace_extension(".expected");
    RunResult r = run_tool(tool, {"recipscan", entry.path().string()});
    EXPECT_EQ(r.out, read_file(expected.string())) << entry.path();
    EXPECT_EQ(r.status, 0) << entry.path();
  }
  EXPECT_GT(messages, 0);
}

#ifdef RECIPSCAN_FAULT_SHIM
// Runs with the fault library preloaded and the given faults set.
RunOptions faults(std::vector<std::string> settings) {
  RunOptions options;
  options.env = std::move(settings);
  options.env.emplace_back("LD_PRELOAD=" RECIPSCAN_FAULT_SHIM);
  // A sanitizer runtime would otherwise insist on being loaded first.
  options.env.emplace_back("ASAN_OPTIONS=verify_asan_link_order=0");
  return options;
}

TEST_F(Cli, ReadFailureKeepsTheRecordsBeforeIt) {
  std::string content = test_record + std::string(100, '.') + test_record;
  std::string path = file("m", content);
  struct {
    std::size_t limit;
    std::string records;
  } const runs[] = {
      {0, ""},
      {50, test_report},
      {content.size() - 2,
       test_report + "\"Test\"   01 \n\n"},  // inside a serial
  };
  for (const auto& run : runs) {
    RunResult r = run_tool(
        tool, {"recipscan", path},
        faults({"RECIPSCAN_FAULT_NO_MMAP=1",
                "RECIPSCAN_FAULT_READ_LIMIT=" + std::to_string(run.limit)}));
    EXPECT_EQ(r.out, "\n" + run.records + "error reading " + path + "\n")
        << run.limit;
    EXPECT_EQ(r.status, 253) << run.limit;
    EXPECT_EQ(r.err, "") << run.limit;
  }
}

TEST_F(Cli, ShortAndInterruptedReadsChangeNothing) {
  std::string content;
  for (int i = 0; i < 3000; ++i)
    content += std::string(static_cast<std::size_t>(i % 7), '.') + test_record;
  std::string path = file("m", content);
  RunResult plain = run_tool(tool, {"recipscan", path});
  ASSERT_EQ(plain.status, 0);
  for (const char* mmap :
       {"RECIPSCAN_FAULT_NO_MMAP=1", "RECIPSCAN_FAULT_NO_MMAP=0"}) {
    RunResult r = run_tool(
        tool, {"recipscan", path},
        faults({mmap, "RECIPSCAN_FAULT_SHORT=7", "RECIPSCAN_FAULT_EINTR=1"}));
    EXPECT_EQ(r.out, plain.out) << mmap;
    EXPECT_EQ(r.status, 0) << mmap;
  }
  // The same through a pipe, which is never mapped.
  std::string fifo = (dir_ / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << content; });
  RunResult piped =
      run_tool(tool, {"recipscan", fifo},
               faults({"RECIPSCAN_FAULT_SHORT=5", "RECIPSCAN_FAULT_EINTR=1"}));
  writer.join();
  EXPECT_EQ(piped.out, plain.out);
  EXPECT_EQ(piped.status, 0);
}
#endif

}  // namespace
}  // namespace recipscan_test
