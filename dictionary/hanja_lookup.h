// HanjaLookup: the candidate dictionary of one instance, one list of
// entries from the tables "hanja.txt" and "symbol.txt", sorted by reading.
// dictionary/FORMAT.md describes the table text.
#ifndef DICTIONARY_HANJA_LOOKUP_H_
#define DICTIONARY_HANJA_LOOKUP_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velt {
class Instance;
}

// Entries are sorted by reading, bytewise (unsigned, a prefix first), which
// for UTF-8 is code-point order. Entries with equal readings keep the order
// in which the tables gave them, and the entries of a table parsed earlier
// come first. The list is sorted after every parse, even one that stopped
// at an invalid line.
//
// Lifetime. The instance holds its lookup in a HanjaLookup::Ptr. Releasing
// that pointer (the instance's destruction) deletes the lookup at once if
// no download into it is pending; otherwise ownership passes to those
// downloads, and the last of them to complete deletes the lookup. The host
// completes every download of a destroyed instance, so the lookup is always
// freed, and never while a download could still reach it. Code other than
// the instance must not keep a lookup past its Ptr.
//
// Everything runs on the host's main thread; there is no lock.
class HanjaLookup final {
 public:
  // One entry: views of the bytes of one table line, exactly as they stand
  // in the table (nothing decoded, validated or trimmed). The bytes belong
  // to the lookup and stay valid as long as it lives. The lookup keeps each
  // table text and points into it rather than copying every field into
  // strings of its own: parsing does no allocation per line, and the list
  // of some 300,000 entries takes about 20 MiB instead of over 30.
  struct Item {
    std::string_view key;         // the reading: up to the first ":"
    std::string_view value;       // the candidate: up to the second ":"
    std::string_view annotation;  // the rest of the line, ":" included
  };
  typedef std::vector<Item>::const_iterator Iterator;

  // The deleter of Ptr: see Lifetime above.
  struct Releaser {
    void operator()(HanjaLookup* lookup) const;
  };
  typedef std::unique_ptr<HanjaLookup, Releaser> Ptr;

  // Private to hanja_lookup.cc: the end of a download into a lookup.
  class Downloads;

  // Room reserved when the first table is parsed into an empty list.
  static constexpr size_t kReservedItems = 305000;

  // An empty dictionary. `owner` is borrowed: the instance that downloads
  // go through; it may be null if LoadFromURL is never called.
  static Ptr Create(velt::Instance* owner);
  HanjaLookup(const HanjaLookup&) = delete;
  HanjaLookup& operator=(const HanjaLookup&) = delete;

  // Starts downloading the table at `url` (relative to the owner's page)
  // and returns at once. The table is parsed when the download completes,
  // whether it succeeded or not: a failed download adds what had arrived.
  // Needs an owner.
  void LoadFromURL(const char* url);

  // Parses one whole table text and merges its entries into the list. A
  // data line with fewer than two ":" stops the parse: one line goes to
  // standard error, "Invalid hanja table: " and the line's bytes, the lines
  // after it are not read, and the entries of the lines before it stay.
  // The lookup keeps the text, which the entries point into.
  void LoadFromMemory(std::string data);

  // Sets [*first, *last) to the entries whose key equals `reading`, byte for
  // byte; *first == *last when there is none. Example: with entries for
  // "가", "가격" and "각", Match("가") gives the entries of "가" only.
  void Match(std::string_view reading, Iterator* first, Iterator* last) const;

  const std::vector<Item>& items() const { return items_; }
  // Downloads started by LoadFromURL that have not completed.
  int pending_downloads() const { return pending_downloads_; }

  // Lookups alive in this process, for leak checks.
  static size_t live_count();

 private:
  explicit HanjaLookup(velt::Instance* owner);
  ~HanjaLookup();

  // Parses the line [start, end) of `text` (end: the offset of its line
  // feed, or the size of the text for a last line without one) and appends
  // its entry. False, and nothing appended, for a line with fewer than two
  // ":". `text` must be one of texts_.
  bool AppendItem(const std::string& text, size_t start, size_t end);
  // Sorts the entries from `old_size` on, stably, and merges them behind
  // their equals among the older ones.
  void MergeNewItems(size_t old_size);

  std::vector<Item> items_;
  velt::Instance* owner_ = nullptr;
  // The table texts that items_ points into. A string is never moved once
  // parsed, so the views stay valid.
  std::vector<std::unique_ptr<const std::string>> texts_;
  int pending_downloads_ = 0;
  // The owner has let go: the last download to complete deletes the lookup.
  bool orphaned_ = false;
};

#endif  // DICTIONARY_HANJA_LOOKUP_H_
