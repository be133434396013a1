// static_files: which file of the served folders an HTTP request names, and
// how it is labelled. Pure decisions, kept apart from the server so that
// the rules against escaping the folders can be tested on their own.
#ifndef NET_STATIC_FILES_H_
#define NET_STATIC_FILES_H_

#include <string>
#include <string_view>
#include <vector>

namespace net {
namespace static_files {

// The relative path that a request target names, or "" when the target
// must not be served. The query and fragment are dropped and %XX escapes
// decoded. A path ending in "/" names its "index.html". Refused: a target
// not starting with "/", a bad escape, an encoded NUL, a backslash, empty,
// "." or ".." segments, and any segment starting with "." (hidden files).
// Example: "/css/a%20b.css?v=2" gives "css/a b.css"; "/../etc" gives "".
std::string TargetToPath(std::string_view target);

// The absolute path of the regular file `relative` (from TargetToPath) in
// the first of `roots` that holds it, or "" if none does. A file reached
// through a symbolic link that leads outside its root is not served.
std::string FindFile(const std::vector<std::string>& roots,
                     const std::string& relative);

// The Content-Type for a file name, by its extension, with
// "; charset=utf-8" on every text type: "hanja.txt" gives
// "text/plain; charset=utf-8". Unknown extensions give
// "application/octet-stream".
std::string ContentType(std::string_view path);

}  // namespace static_files
}  // namespace net

#endif  // NET_STATIC_FILES_H_
