#include "host/runtime/directory_fetcher.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <utility>

#include "host/runtime/task_runner.h"
#include "host/runtime/url.h"

namespace velt {
namespace runtime {
namespace {

constexpr size_t kPieceSize = 64 * 1024;
constexpr int32_t kStatusOk = 200;
constexpr int32_t kStatusNotFound = 404;

// Holds the cancellation flag that queued events check.
class DirectoryFetch final : public Fetch {
 public:
  DirectoryFetch() : alive_(std::make_shared<bool>(true)) {}
  ~DirectoryFetch() override { *alive_ = false; }
  std::shared_ptr<bool> alive() const { return alive_; }

 private:
  std::shared_ptr<bool> alive_;
};

// Undoes %XX escapes; a malformed escape stays as it is.
std::string PercentDecode(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(s[i + 1]) &&
        std::isxdigit(s[i + 2])) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool ReadRegularFile(const std::string& path, std::string* contents) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[kPieceSize];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
    contents->append(buffer, count);
  }
  bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

}  // namespace

std::unique_ptr<Fetch> DirectoryFetcher::Start(const std::string& target,
                                               FetchSink* sink) {
  auto fetch = std::make_unique<DirectoryFetch>();
  std::shared_ptr<bool> alive = fetch->alive();
  auto post = [this, alive](std::function<void()> event) {
    runner_->PostTask([alive, event] {
      if (*alive) event();
    });
  };
  if (url::Scheme(target) != "file" || target.compare(0, 7, "file://") != 0) {
    post([sink] { sink->OnOpenFailed(); });
    return fetch;
  }
  std::string path = target.substr(7);
  size_t cut = path.find_first_of("?#");
  if (cut != std::string::npos) path.erase(cut);
  auto contents = std::make_shared<std::string>();
  if (!ReadRegularFile(PercentDecode(path), contents.get())) {
    post([sink] { sink->OnResponse(Var(kStatusNotFound), 0); });
    post([sink] { sink->OnBodyEnd(); });
    return fetch;
  }
  int64_t size = static_cast<int64_t>(contents->size());
  post([sink, size] { sink->OnResponse(Var(kStatusOk), size); });
  for (size_t offset = 0; offset < contents->size(); offset += kPieceSize) {
    post([sink, contents, offset] {
      size_t count = std::min(kPieceSize, contents->size() - offset);
      sink->OnBodyData(contents->data() + offset, count);
    });
  }
  post([sink] { sink->OnBodyEnd(); });
  return fetch;
}

}  // namespace runtime
}  // namespace velt
