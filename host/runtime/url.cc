#include "host/runtime/url.h"

#include <unistd.h>

#include <cctype>
#include <vector>

namespace velt {
namespace runtime {
namespace url {
namespace {

// Length of "scheme:" at the start of `s`, or 0.
size_t SchemeLength(const std::string& s) {
  if (s.empty() || !std::isalpha(static_cast<unsigned char>(s[0]))) return 0;
  for (size_t i = 1; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == ':') return i + 1;
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return 0;
  }
  return 0;
}

// Removes "." and ".." segments from an absolute path.
std::string RemoveDotSegments(const std::string& path) {
  std::vector<std::string> out;
  size_t start = 1;  // past the leading "/"
  bool trailing_slash = false;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string segment = path.substr(start, end - start);
    trailing_slash = false;
    if (segment == ".") {
      trailing_slash = true;
    } else if (segment == "..") {
      if (!out.empty()) out.pop_back();
      trailing_slash = true;
    } else if (end < path.size() || !segment.empty()) {
      out.push_back(segment);
    }
    if (end == path.size()) break;
    start = end + 1;
    if (start == path.size()) trailing_slash = true;
  }
  std::string result;
  for (const std::string& segment : out) result += "/" + segment;
  if (result.empty() || trailing_slash) result += "/";
  return result;
}

}  // namespace

std::string Scheme(const std::string& s) {
  size_t length = SchemeLength(s);
  std::string scheme = length > 0 ? s.substr(0, length - 1) : std::string();
  for (char& c : scheme) c = static_cast<char>(std::tolower(c));
  return scheme;
}

std::string Resolve(const std::string& base, const std::string& reference) {
  size_t scheme_length = SchemeLength(reference);
  std::string target = reference;
  if (scheme_length == 0) {
    size_t base_scheme = SchemeLength(base);
    if (reference.compare(0, 2, "//") == 0) {
      return base.substr(0, base_scheme) + reference;
    }
    // Authority of the base: "//host" after the scheme, possibly empty.
    size_t path_start = base_scheme;
    if (base.compare(base_scheme, 2, "//") == 0) {
      path_start = base.find('/', base_scheme + 2);
      if (path_start == std::string::npos) path_start = base.size();
    }
    std::string prefix = base.substr(0, path_start);
    std::string base_path = base.substr(path_start);
    size_t cut = base_path.find_first_of("?#");
    if (cut != std::string::npos) base_path.erase(cut);
    if (base_path.empty()) base_path = "/";
    std::string path;
    if (!reference.empty() && reference[0] == '/') {
      path = reference;
    } else {
      path = base_path.substr(0, base_path.rfind('/') + 1) + reference;
    }
    size_t query = path.find_first_of("?#");
    std::string tail;
    if (query != std::string::npos) {
      tail = path.substr(query);
      path.erase(query);
    }
    return prefix + RemoveDotSegments(path) + tail;
  }
  return target;
}

std::string FromDirectory(const std::string& path) {
  std::string absolute = path;
  if (absolute.empty() || absolute[0] != '/') {
    char buffer[4096];
    std::string cwd = getcwd(buffer, sizeof(buffer)) ? buffer : "/";
    absolute = cwd + "/" + absolute;
  }
  std::string resolved = RemoveDotSegments(absolute);
  if (resolved.back() != '/') resolved += '/';
  return "file://" + resolved;
}

}  // namespace url
}  // namespace runtime
}  // namespace velt
