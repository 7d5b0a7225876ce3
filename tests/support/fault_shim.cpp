// A preloadable library that makes the tool's reads misbehave on request, so
// the command-line tests can show how the tool meets a failing disk. Set in
// the environment:
//   RECIPSCAN_FAULT_READ_LIMIT=N  reads fail with EIO once N bytes were read
//   RECIPSCAN_FAULT_SHORT=K       each read returns at most K bytes
//   RECIPSCAN_FAULT_EINTR=1       every other read is interrupted (EINTR)
//   RECIPSCAN_FAULT_NO_MMAP=1     mapping a file fails, forcing plain reads
// Only descriptors above 2 are touched, so standard streams behave.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dlfcn.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

long setting(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::strtol(value, nullptr, 10) : -1;
}

long long bytes_read = 0;
bool interrupt_next = true;

// fault decides before a read of |count| bytes: it returns true, with errno
// set, if the read must fail, and otherwise cuts |count| to what may pass.
bool fault(std::size_t& count) {
  if (setting("RECIPSCAN_FAULT_EINTR") == 1) {
    interrupt_next = !interrupt_next;
    if (!interrupt_next) {
      errno = EINTR;
      return true;
    }
  }
  long limit = setting("RECIPSCAN_FAULT_READ_LIMIT");
  if (limit >= 0) {
    if (bytes_read >= limit) {
      errno = EIO;
      return true;
    }
    if (static_cast<long long>(count) > limit - bytes_read) {
      count = static_cast<std::size_t>(limit - bytes_read);
    }
  }
  long shortest = setting("RECIPSCAN_FAULT_SHORT");
  if (shortest > 0 && static_cast<long>(count) > shortest) {
    count = static_cast<std::size_t>(shortest);
  }
  return false;
}

template <class F>
F next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

ssize_t read(int fd, void* buf, std::size_t count) {
  static auto real = next<ssize_t (*)(int, void*, std::size_t)>("read");
  if (fd > 2 && fault(count)) return -1;
  ssize_t got = real(fd, buf, count);
  if (fd > 2 && got > 0) bytes_read += got;
  return got;
}

ssize_t pread(int fd, void* buf, std::size_t count, off_t offset) {
  static auto real = next<ssize_t (*)(int, void*, std::size_t, off_t)>("pread");
  if (fd > 2 && fault(count)) return -1;
  ssize_t got = real(fd, buf, count, offset);
  if (fd > 2 && got > 0) bytes_read += got;
  return got;
}

ssize_t pread64(int fd, void* buf, std::size_t count, off_t offset) {
  return pread(fd, buf, count, offset);
}

void* mmap(void* addr, std::size_t length, int prot, int flags, int fd,
           off_t offset) {
  static auto real =
      next<void* (*)(void*, std::size_t, int, int, int, off_t)>("mmap");
  if (fd > 2 && setting("RECIPSCAN_FAULT_NO_MMAP") == 1) {
    errno = ENOMEM;
    return MAP_FAILED;
  }
  return real(addr, length, prot, flags, fd, offset);
}

void* mmap64(void* addr, std::size_t length, int prot, int flags, int fd,
             off_t offset) {
  return mmap(addr, length, prot, flags, fd, offset);
}

}  // extern "C"
