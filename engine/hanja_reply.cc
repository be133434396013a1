#include "engine/hanja_reply.h"

#include "engine/reply.h"

namespace hanja_reply {
namespace {

typedef std::vector<hanja_match::Run> Runs;

// Appends one list, an element per candidate: `write(run, item, out)`
// gives the element. With no candidate the list is null.
template <typename WriteElement>
void AppendList(const Runs& runs, std::string* out, WriteElement write) {
  if (runs.empty()) {
    out->append("null");
    return;
  }
  out->push_back('[');
  for (const hanja_match::Run& run : runs) {
    for (auto item = run.first; item != run.last; ++item) {
      write(run, *item, out);
      out->push_back(',');
    }
  }
  out->back() = ']';  // over the last ","
}

// The matched lengths, each element followed by its ",".
std::string LengthList(const Runs& runs) {
  if (runs.empty()) return "null";
  std::string list = "[";
  for (const hanja_match::Run& run : runs) {
    const std::string element = std::to_string(run.matched_length) + ",";
    for (auto item = run.first; item != run.last; ++item) list += element;
  }
  list.back() = ']';
  return list;
}

}  // namespace

std::string Write(const std::string& text, const Runs& runs) {
  size_t size = text.size() + 160;
  for (const hanja_match::Run& run : runs) {
    for (auto item = run.first; item != run.last; ++item) {
      size += item->value.size() + item->annotation.size() + 24;
    }
  }
  const std::string lengths = LengthList(runs);
  std::string out;
  out.reserve(size);
  out.append("[\"").append(reply::kResponseSuccess).append("\",[[");
  reply::AppendString(text, &out);
  out.push_back(',');
  AppendList(runs, &out,
             [](const hanja_match::Run&, const HanjaLookup::Item& item,
                std::string* list) { reply::AppendString(item.value, list); });
  out.append(",").append(lengths).append(",{\"annotation\":");
  AppendList(
      runs, &out,
      [](const hanja_match::Run&, const HanjaLookup::Item& item,
         std::string* list) { reply::AppendString(item.annotation, list); });
  const auto zero = [](const hanja_match::Run&, const HanjaLookup::Item&,
                       std::string* list) { list->push_back('0'); };
  out.append(",\"candidate_type\":");
  AppendList(runs, &out, zero);
  out.append(",\"is_confident\":");
  AppendList(runs, &out, zero);
  out.append(",\"matched_length\":").append(lengths).append("}]]]\n");
  return out;
}

}  // namespace hanja_reply
