#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <csignal>

#include "io/input_file.h"

namespace recipscan {
namespace {

// A mapped page whose file data is gone (the file shrank, or the disk failed)
// raises SIGBUS when touched. While a window is being scanned, the handler
// jumps back to the window's guard, which turns the fault into a read failure;
// a fault anywhere else keeps its default, fatal, effect.
sigjmp_buf* volatile guard_jump = nullptr;
volatile std::uintptr_t guard_begin = 0;
volatile std::uintptr_t guard_end = 0;

void on_sigbus(int signal, siginfo_t* info, void* /*context*/) {
  auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  sigjmp_buf* jump = guard_jump;
  if (jump != nullptr && address >= guard_begin && address < guard_end) {
    siglongjmp(*jump, 1);
  }
  // Not a fault of ours: let the faulting access run again, this time fatal.
  std::signal(signal, SIG_DFL);
}

// Installs the SIGBUS handler for its lifetime and restores the previous one.
class SigbusHandler {
 public:
  SigbusHandler() {
    struct sigaction action = {};
    action.sa_sigaction = on_sigbus;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    installed_ = sigaction(SIGBUS, &action, &previous_) == 0;
  }
  SigbusHandler(const SigbusHandler&) = delete;
  SigbusHandler& operator=(const SigbusHandler&) = delete;
  ~SigbusHandler() {
    if (installed_) sigaction(SIGBUS, &previous_, nullptr);
  }
  bool installed() const { return installed_; }

 private:
  struct sigaction previous_ = {};
  bool installed_ = false;
};

// One mapping of part of the file, unmapped when it goes.
class Window {
 public:
  Window(int fd, std::uint64_t offset, std::size_t size) : size_(size) {
    // No MAP_POPULATE: measured, filling the page tables up front costs more
    // than the faults, which the kernel serves many pages at a time.
    void* base = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd,
                      static_cast<off_t>(offset));
    if (base != MAP_FAILED) base_ = static_cast<const std::uint8_t*>(base);
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  ~Window() {
    if (base_ != nullptr) {
      munmap(const_cast<std::uint8_t*>(base_), size_);  // NOLINT
    }
  }
  const std::uint8_t* data() const { return base_; }

 private:
  const std::uint8_t* base_ = nullptr;
  std::size_t size_;
};

// Runs consumer.consume over a mapped window, returning false if touching the
// window faulted. Kept apart so nothing with a destructor lies between the
// guard and the jump back to it.
bool consume_guarded(BlockConsumer& consumer, const std::uint8_t* data,
                     std::size_t size) {
  sigjmp_buf jump;
  if (sigsetjmp(jump, 1) != 0) {
    guard_jump = nullptr;
    return false;
  }
  guard_begin = reinterpret_cast<std::uintptr_t>(data);
  guard_end = guard_begin + size;
  guard_jump = &jump;
  consumer.consume(data, size);
  guard_jump = nullptr;
  return true;
}

}  // namespace

MappedFile::~MappedFile() {
  if (fd_ >= 0) close(fd_);
}

bool MappedFile::open(const char* path) {
  int flags = O_RDONLY;
#ifdef O_CLOEXEC
  flags |= O_CLOEXEC;
#endif
  fd_ = ::open(path, flags);
  if (fd_ < 0) return false;
  struct stat info = {};
  if (fstat(fd_, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(fd_);
    fd_ = -1;
    return false;
  }
  regular_ = S_ISREG(info.st_mode);
  size_ = regular_ ? static_cast<std::uint64_t>(info.st_size) : 0;
#ifdef POSIX_FADV_SEQUENTIAL
  if (regular_) posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  return true;
}

bool MappedFile::read_all(BlockConsumer& consumer) {
  if (!regular_) return read_plain(consumer, false, 0);
  std::uint64_t mapped = 0;
  if (size_ > 0) {
    SigbusHandler handler;
    if (handler.installed() && !read_mapped(consumer, size_, mapped)) {
      return false;
    }
  }
  // Whatever could not be mapped, and whatever was appended since the file
  // was opened, is read plainly.
  return read_plain(consumer, true, mapped);
}

bool MappedFile::read_mapped(BlockConsumer& consumer, std::uint64_t size,
                             std::uint64_t& mapped) const {
  while (mapped < size) {
    std::uint64_t left = size - mapped;
    std::size_t length =
        left < window_size ? static_cast<std::size_t>(left) : window_size;
    Window window(fd_, mapped, length);
    if (window.data() == nullptr) return true;  // read the rest plainly
    if (!consume_guarded(consumer, window.data(), length)) return false;
    mapped += length;
  }
  return true;
}

bool MappedFile::read_plain(BlockConsumer& consumer, bool positioned,
                            std::uint64_t offset) {
  if (!buffer_) buffer_ = std::make_unique<std::uint8_t[]>(read_block_size);
  for (;;) {
    ssize_t got = positioned ? pread(fd_, buffer_.get(), read_block_size,
                                     static_cast<off_t>(offset))
                             : read(fd_, buffer_.get(), read_block_size);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    consumer.consume(buffer_.get(), static_cast<std::size_t>(got));
    offset += static_cast<std::uint64_t>(got);
  }
}

}  // namespace recipscan
