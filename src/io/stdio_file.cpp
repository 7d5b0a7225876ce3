#include <filesystem>
#include <system_error>

#include "io/input_file.h"

namespace recipscan {

StdioFile::~StdioFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool StdioFile::open(const char* path) {
  file_ = std::fopen(path, "rb");
  if (file_ == nullptr) return false;
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    std::fclose(file_);
    file_ = nullptr;
    return false;
  }
  return true;
}

bool StdioFile::read_all(BlockConsumer& consumer) {
  // One fixed block, allocated once, keeps large blocks off the stack.
  auto block = std::make_unique<std::uint8_t[]>(read_block_size);
  for (;;) {
    std::size_t got = std::fread(block.get(), 1, read_block_size, file_);
    if (got > 0) consumer.consume(block.get(), got);
    if (got < read_block_size) {
      if (std::ferror(file_) != 0) return false;
      if (std::feof(file_) != 0) return true;
    }
  }
}

}  // namespace recipscan
