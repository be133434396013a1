#include "net/static_files.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>

namespace net {
namespace static_files {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The canonical absolute form of `path`, or "" if it does not exist.
std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) return std::string();
  return resolved;
}

struct Type {
  const char* extension;
  const char* content_type;
};

constexpr Type kTypes[] = {
    {".html", "text/html; charset=utf-8"},
    {".htm", "text/html; charset=utf-8"},
    {".css", "text/css; charset=utf-8"},
    {".js", "text/javascript; charset=utf-8"},
    {".mjs", "text/javascript; charset=utf-8"},
    {".json", "application/json; charset=utf-8"},
    {".txt", "text/plain; charset=utf-8"},
    {".md", "text/markdown; charset=utf-8"},
    {".svg", "image/svg+xml; charset=utf-8"},
    {".png", "image/png"},
    {".ico", "image/x-icon"},
    {".woff2", "font/woff2"},
};

}  // namespace

std::string TargetToPath(std::string_view target) {
  if (target.empty() || target[0] != '/') return std::string();
  size_t end = target.find_first_of("?#");
  if (end != std::string_view::npos) target = target.substr(0, end);

  std::string decoded;
  for (size_t i = 0; i < target.size(); ++i) {
    char c = target[i];
    if (c == '%') {
      if (i + 2 >= target.size()) return std::string();
      int high = HexValue(target[i + 1]);
      int low = HexValue(target[i + 2]);
      if (high < 0 || low < 0) return std::string();
      c = static_cast<char>(high * 16 + low);
      i += 2;
    }
    if (c == '\0' || c == '\\') return std::string();
    decoded += c;
  }

  // Every segment between the leading "/" and the last "/" must be a
  // plain name; the last one may be empty, meaning the folder's index.
  std::string path;
  size_t start = 1;
  while (true) {
    size_t slash = decoded.find('/', start);
    bool last = slash == std::string::npos;
    std::string segment =
        decoded.substr(start, last ? std::string::npos : slash - start);
    if (last && segment.empty()) {
      path += "index.html";
      break;
    }
    if (segment.empty() || segment[0] == '.') return std::string();
    path += segment;
    if (last) break;
    path += '/';
    start = slash + 1;
  }
  return path;
}

std::string FindFile(const std::vector<std::string>& roots,
                     const std::string& relative) {
  if (relative.empty()) return std::string();
  for (const std::string& root : roots) {
    std::string real_root = RealPath(root);
    if (real_root.empty()) continue;
    std::string real = RealPath(real_root + "/" + relative);
    if (real.empty()) continue;
    if (real.compare(0, real_root.size() + 1, real_root + "/") != 0) continue;
    struct stat info;
    if (stat(real.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return real;
  }
  return std::string();
}

std::string ContentType(std::string_view path) {
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot != std::string_view::npos &&
      (slash == std::string_view::npos || dot > slash)) {
    std::string extension(path.substr(dot));
    for (char& c : extension) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    for (const Type& type : kTypes) {
      if (extension == type.extension) return type.content_type;
    }
  }
  return "application/octet-stream";
}

}  // namespace static_files
}  // namespace net
