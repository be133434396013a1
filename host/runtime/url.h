// URL helpers of the runtime: resolving a relative URL against the page.
#ifndef HOST_RUNTIME_URL_H_
#define HOST_RUNTIME_URL_H_

#include <string>

namespace velt {
namespace runtime {
namespace url {

// Resolves `reference` against the absolute `base` as a browser does for
// hierarchical URLs: an absolute reference stands as it is, "//host/x"
// takes the base's scheme, "/x" the base's authority, anything else
// replaces the last path segment of the base. "." and ".." segments are
// removed and never climb above the root. Example:
//   Resolve("http://h:8/dir/page.html", "hanja.txt") ==
//   "http://h:8/dir/hanja.txt"
std::string Resolve(const std::string& base, const std::string& reference);

// "http", "file", ... in lower case, or "" when `url` has no scheme.
std::string Scheme(const std::string& url);

// The file URL of a directory, ending in "/": "/srv/page" gives
// "file:///srv/page/". A relative path is taken from the working directory.
std::string FromDirectory(const std::string& path);

}  // namespace url
}  // namespace runtime
}  // namespace velt

#endif  // HOST_RUNTIME_URL_H_
