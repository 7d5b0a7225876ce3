// Reading message files: records across every block and window boundary, files
// that change while they are read, and paths that are not files.
#include "io/input_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <utility>

#include "model_scan.h"
#include "scan_harness.h"
#include "test_record.h"

namespace recipscan_test {
namespace {

namespace fs = std::filesystem;
using recipscan::ScanStatus;

class InputFileTest : public testing::Test {
 protected:
  void SetUp() override {
    path_ = (fs::temp_directory_path() /
             ("recipscan-input-" + std::to_string(getpid()) + "-" +
              testing::UnitTest::GetInstance()->current_test_info()->name()))
                .string();
  }
  void TearDown() override { fs::remove_all(path_); }

  void write(const std::string& content) {
    std::ofstream(path_, std::ios::binary) << content;
  }

  std::string path_;
};

// Records planted so that one straddles each multiple of |step| up to |size|,
// at every offset of the record in turn.
std::string straddling_input(std::size_t size, std::size_t step) {
  std::string s(size, '\x55');
  std::size_t shift = 1;
  for (std::size_t at = step; at + 20 < size; at += step) {
    s.replace(at - shift, test_record.size(), test_record);
    shift = shift % test_record.size() + 1;
  }
  return s;
}

template <class File>
void expect_scan(const std::string& path, const std::string& content) {
  File file;
  ASSERT_TRUE(file.open(path.c_str()));
  StringSink sink;
  EXPECT_EQ(recipscan::scan_recipients(file, sink), ScanStatus::ok);
  EXPECT_EQ(sink.text, model_report(content));
}

TEST_F(InputFileTest, RecordsAcrossReadBlocks) {
  std::string content = straddling_input(5 * recipscan::read_block_size + 99,
                                         recipscan::read_block_size);
  write(content);
  expect_scan<recipscan::StdioFile>(path_, content);
#ifdef RECIPSCAN_HAVE_MAPPED_FILE
  expect_scan<recipscan::MappedFile>(path_, content);
#endif
}

TEST_F(InputFileTest, DirectoriesAndMissingFilesDoNotOpen) {
  fs::create_directory(path_);
  recipscan::StdioFile stdio_dir;
  EXPECT_FALSE(stdio_dir.open(path_.c_str()));
  recipscan::StdioFile stdio_missing;
  EXPECT_FALSE(stdio_missing.open((path_ + "/missing").c_str()));
#ifdef RECIPSCAN_HAVE_MAPPED_FILE
  recipscan::MappedFile mapped_dir;
  EXPECT_FALSE(mapped_dir.open(path_.c_str()));
  recipscan::MappedFile mapped_missing;
  EXPECT_FALSE(mapped_missing.open((path_ + "/missing").c_str()));
#endif
}

#ifdef RECIPSCAN_HAVE_MAPPED_FILE
using recipscan::MappedFile;

TEST_F(InputFileTest, RecordsAcrossMappedWindows) {
  std::string content = straddling_input(3 * MappedFile::window_size + 12345,
                                         MappedFile::window_size);
  write(content);
  expect_scan<MappedFile>(path_, content);
}

TEST_F(InputFileTest, BytesAppendedAfterOpeningAreRead) {
  std::string content = test_record + "..";
  write(content);
  MappedFile file;
  ASSERT_TRUE(file.open(path_.c_str()));
  std::ofstream(path_, std::ios::binary | std::ios::app) << test_record;
  StringSink sink;
  EXPECT_EQ(recipscan::scan_recipients(file, sink), ScanStatus::ok);
  EXPECT_EQ(sink.text, model_report(content + test_record));
}

// Truncates the file on the first block, then touches every byte handed over.
class ShrinkingConsumer final : public recipscan::BlockConsumer {
 public:
  explicit ShrinkingConsumer(std::string path) : path_(std::move(path)) {}
  void consume(const std::uint8_t* data, std::size_t size) override {
    if (!shrunk_) {
      shrunk_ = truncate(path_.c_str(), 0) == 0;
    }
    for (std::size_t i = 0; i < size; ++i) sum_ += data[i];
  }
  bool shrunk_ = false;
  unsigned sum_ = 0;

 private:
  std::string path_;
};

TEST_F(InputFileTest, FileThatShrinksWhileMappedIsAReadFailure) {
  write(std::string(2 * MappedFile::window_size, 'x'));
  MappedFile file;
  ASSERT_TRUE(file.open(path_.c_str()));
  ShrinkingConsumer consumer(path_);
  EXPECT_FALSE(file.read_all(consumer));
  EXPECT_TRUE(consumer.shrunk_);
}

TEST_F(InputFileTest, FilesPast4GiB) {
  // A sparse file: records just before the end, and across the 4 GiB mark.
  const std::uint64_t size =
      (std::uint64_t{1} << 32) + 3 * MappedFile::window_size;
  {
    std::ofstream out(path_, std::ios::binary);
    out.seekp(static_cast<std::streamoff>((std::uint64_t{1} << 32) - 5));
    out << test_record;
    out.seekp(static_cast<std::streamoff>(size - test_record.size()));
    out << test_record;
  }
  ASSERT_EQ(fs::file_size(path_), size);
  MappedFile file;
  ASSERT_TRUE(file.open(path_.c_str()));
  StringSink sink;
  EXPECT_EQ(recipscan::scan_recipients(file, sink), ScanStatus::ok);
  EXPECT_EQ(sink.text, model_report(test_record + test_record));
}
#endif

}  // namespace
}  // namespace recipscan_test
