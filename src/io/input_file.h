// Reading the message file named on the command line. The file is read as raw
// bytes, from its first byte to its end, in large blocks: no end-of-line or
// end-of-file-character translation on any platform. A path that names a
// directory counts as a file that cannot be opened, everywhere alike.
//
// StdioFile is the portable reader. Where the platform allows, MappedFile reads
// a regular file through a fixed-size window mapped into memory, which saves
// the copy into a read buffer, and reads anything else (pipes, devices) with
// plain reads. Either way the memory used is fixed, whatever the file's size.
#ifndef RECIPSCAN_IO_INPUT_FILE_H
#define RECIPSCAN_IO_INPUT_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "scanner/scanner.h"

#if defined(__unix__) || defined(__APPLE__)
#define RECIPSCAN_HAVE_MAPPED_FILE 1
#endif

namespace recipscan {

// The size of each block handed over by plain reads.
inline constexpr std::size_t read_block_size = std::size_t{256} << 10;

class StdioFile final : public ByteSource {
 public:
  StdioFile() = default;
  StdioFile(const StdioFile&) = delete;
  StdioFile& operator=(const StdioFile&) = delete;
  ~StdioFile();

  // open opens |path| for reading. It returns false if the file cannot be
  // opened or is a directory.
  bool open(const char* path);

  // read_all reads from the start of the file to its end; see ByteSource.
  bool read_all(BlockConsumer& consumer) override;

 private:
  std::FILE* file_ = nullptr;
};

#ifdef RECIPSCAN_HAVE_MAPPED_FILE
class MappedFile final : public ByteSource {
 public:
  // The size of the mapped window: large enough that mapping costs little per
  // byte, small enough to keep the resident size low.
  static constexpr std::size_t window_size = std::size_t{2} << 20;

  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();

  // open opens |path| for reading. It returns false if the file cannot be
  // opened or is a directory.
  bool open(const char* path);

  // read_all reads from the start of the file to its end; see ByteSource. A
  // regular file that shrinks while it is read ends in a read failure.
  bool read_all(BlockConsumer& consumer) override;

 private:
  // read_mapped hands over [0, size) through the window and returns false on
  // a fault. |mapped| receives how far it got.
  bool read_mapped(BlockConsumer& consumer, std::uint64_t size,
                   std::uint64_t& mapped) const;
  // read_plain reads from |offset| (or, if |positioned| is false, from where
  // the descriptor stands) to the end.
  bool read_plain(BlockConsumer& consumer, bool positioned,
                  std::uint64_t offset);

  int fd_ = -1;
  bool regular_ = false;
  std::uint64_t size_ = 0;
  std::unique_ptr<std::uint8_t[]> buffer_;
};

using InputFile = MappedFile;
#else
using InputFile = StdioFile;
#endif

}  // namespace recipscan

#endif  // RECIPSCAN_IO_INPUT_FILE_H
