#include "programs/bundled_page.h"

#include <limits.h>
#include <unistd.h>

namespace programs {

std::string BundledPage() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) return "page";
  std::string exe(path, static_cast<size_t>(length));
  return exe.substr(0, exe.rfind('/') + 1) + "page";
}

}  // namespace programs
