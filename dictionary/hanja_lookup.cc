#include "dictionary/hanja_lookup.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <utility>

#include "download/url_loader_util.h"

namespace {

constexpr char kInvalidTable[] = "Invalid hanja table: ";

size_t live_lookups = 0;

// Readings compare bytewise as unsigned values, a prefix first: the
// order of code points for UTF-8.
bool ItemCmp(const HanjaLookup::Item& a, const HanjaLookup::Item& b) {
  return a.key < b.key;
}

}  // namespace

// The lookup's side of a download's completion.
class HanjaLookup::Downloads {
 public:
  static bool Orphaned(const HanjaLookup& lookup) { return lookup.orphaned_; }

  // Counts one download out. The last one out deletes an orphaned lookup.
  static void End(HanjaLookup* lookup) {
    --lookup->pending_downloads_;
    if (lookup->orphaned_ && lookup->pending_downloads_ == 0) delete lookup;
  }
};

namespace {

// The completion of LoadFromURL's downloads. A failed download is parsed
// too: after a read error the body holds what had arrived. The body is
// taken over, so nothing of it is left for the download to release. Once
// the instance is gone nobody will read the list, so the body is dropped
// unparsed.
void OnDataLoaded(void* user_data, const std::string& /*url*/, bool /*ok*/,
                  std::string* body) {
  HanjaLookup* lookup = static_cast<HanjaLookup*>(user_data);
  if (!HanjaLookup::Downloads::Orphaned(*lookup)) {
    lookup->LoadFromMemory(std::move(*body));
  }
  *body = std::string();
  HanjaLookup::Downloads::End(lookup);  // may delete the lookup
}

}  // namespace

void HanjaLookup::Releaser::operator()(HanjaLookup* lookup) const {
  lookup->owner_ = nullptr;
  if (lookup->pending_downloads_ == 0) {
    delete lookup;
  } else {
    lookup->orphaned_ = true;
  }
}

HanjaLookup::Ptr HanjaLookup::Create(velt::Instance* owner) {
  return Ptr(new HanjaLookup(owner));
}

HanjaLookup::HanjaLookup(velt::Instance* owner) : owner_(owner) {
  ++live_lookups;
}

HanjaLookup::~HanjaLookup() { --live_lookups; }

size_t HanjaLookup::live_count() { return live_lookups; }

void HanjaLookup::LoadFromURL(const char* url) {
  ++pending_downloads_;
  URLLoaderUtil::StartDownload(owner_, url, &OnDataLoaded, this);
}

void HanjaLookup::LoadFromMemory(std::string data) {
  if (items_.empty()) items_.reserve(kReservedItems);
  texts_.push_back(std::make_unique<const std::string>(std::move(data)));
  const std::string& text = *texts_.back();
  const size_t old_size = items_.size();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (end > start && text[start] != '#' && !AppendItem(text, start, end)) {
      std::cerr << kInvalidTable;
      std::cerr.write(text.data() + start, end - start);
      std::cerr << std::endl;
      break;
    }
    start = end + 1;
  }
  if (items_.size() == old_size) {
    texts_.pop_back();  // nothing points into it
    return;
  }
  MergeNewItems(old_size);
}

bool HanjaLookup::AppendItem(const std::string& text, size_t start,
                             size_t end) {
  const char* line = text.data() + start;
  const char* line_end = text.data() + end;
  const char* first =
      static_cast<const char*>(std::memchr(line, ':', line_end - line));
  if (first == nullptr) return false;
  const char* second = static_cast<const char*>(
      std::memchr(first + 1, ':', line_end - (first + 1)));
  if (second == nullptr) return false;
  items_.push_back(Item{std::string_view(line, first - line),
                        std::string_view(first + 1, second - (first + 1)),
                        std::string_view(second + 1, line_end - (second + 1))});
  return true;
}

// Tables are written in reading order, so a new run is normally sorted and
// one merge places it; the table order of equal readings is data (the
// front end shows the first candidate first) and both steps keep it.
void HanjaLookup::MergeNewItems(size_t old_size) {
  const auto middle = items_.begin() + old_size;
  if (!std::is_sorted(middle, items_.end(), ItemCmp)) {
    std::stable_sort(middle, items_.end(), ItemCmp);
  }
  if (middle != items_.begin() && middle != items_.end() &&
      ItemCmp(*middle, *(middle - 1))) {
    std::inplace_merge(items_.begin(), middle, items_.end(), ItemCmp);
  }
}

void HanjaLookup::Match(std::string_view reading, Iterator* first,
                        Iterator* last) const {
  *first = std::lower_bound(
      items_.begin(), items_.end(), reading,
      [](const Item& item, std::string_view key) { return item.key < key; });
  *last = std::upper_bound(
      *first, items_.end(), reading,
      [](std::string_view key, const Item& item) { return key < item.key; });
}
