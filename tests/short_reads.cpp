// Preloaded into the tool by an end-to-end test: every read returns at most
// 4 KiB, as reads from some network and FUSE file systems do.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name): the C library names them otherwise
extern "C" ssize_t read(int fd, void *data, std::size_t size) {
  using Read = ssize_t (*)(int, void *, std::size_t);
  static const auto next = reinterpret_cast<Read>(dlsym(RTLD_NEXT, "read"));
  return next(fd, data, std::min<std::size_t>(size, 4096));
}
