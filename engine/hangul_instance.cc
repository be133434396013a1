// The module entry, the module, and the instance that answers the page.
#include <json/value.h>

#include <string>

#include "dictionary/hanja_lookup.h"
#include "dictionary/hanja_match.h"
#include "engine/hangul_match.h"
#include "engine/hanja_reply.h"
#include "engine/input_context.h"
#include "engine/reply.h"
#include "engine/request.h"
#include "host/instance.h"
#include "host/module.h"
#include "host/var.h"
#include "unicode/unicode_util.h"

namespace {

// The dictionary tables, relative to the page.
constexpr char kHanjaTableURL[] = "hanja.txt";
constexpr char kSymbolTableURL[] = "symbol.txt";

class HangulInstance final : public velt::Instance {
 public:
  // Both table downloads are under way when the constructor returns.
  explicit HangulInstance(VELT_Instance instance)
      : velt::Instance(instance), hanja_lookup_(HanjaLookup::Create(this)) {
    hanja_lookup_->LoadFromURL(kHanjaTableURL);
    hanja_lookup_->LoadFromURL(kSymbolTableURL);
  }
  // Releasing hanja_lookup_ hands the dictionary to its pending downloads,
  // if any; the last of them frees it.
  ~HangulInstance() override = default;

  // Answers each request with one reply, posted before returning, except a
  // keyboard request, which gets none.
  void HandleMessage(const velt::Var& message) override;

 private:
  void ReportError(std::string message);
  void GenerateResponse(const std::string& text, const Json::Value& candidates,
                        const Json::Value& matched_lengths,
                        const Json::Value& attributes);
  void MatchHangul(const std::string& text, unsigned int num);
  void MatchHanja(const std::string& text, unsigned int num);

  InputContext input_context_;
  HanjaLookup::Ptr hanja_lookup_;
};

void HangulInstance::HandleMessage(const velt::Var& message) {
  if (!message.is_string()) {
    ReportError(request::kNotAString);
    return;
  }
  request::Request parsed = request::Parse(message.AsString());
  switch (parsed.kind) {
    case request::Request::Kind::kError:
      ReportError(std::move(parsed.error));
      return;
    case request::Request::Kind::kKeyboard:
      input_context_.SelectKeyboard(parsed.keyboard);
      return;
    case request::Request::Kind::kMatch:
      for (char c : parsed.text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
          MatchHanja(parsed.text, parsed.num);
          return;
        }
      }
      MatchHangul(parsed.text, parsed.num);
      return;
  }
}

void HangulInstance::ReportError(std::string message) {
  PostMessage(velt::Var(reply::Write(reply::Error(message))));
}

void HangulInstance::GenerateResponse(const std::string& text,
                                      const Json::Value& candidates,
                                      const Json::Value& matched_lengths,
                                      const Json::Value& attributes) {
  PostMessage(velt::Var(reply::Write(
      reply::Success(text, candidates, matched_lengths, attributes))));
}

// Every composed character is reported, whatever `num` says: the keys of a
// keystroke request are all accounted for.
void HangulInstance::MatchHangul(const std::string& text, unsigned int) {
  hangul_match::Segmentation segmentation =
      hangul_match::Segment(&input_context_, text);
  Json::Value candidates;
  Json::Value matched_lengths;
  Json::Value candidate_types;
  Json::Value confidences;
  for (size_t k = 0; k < segmentation.characters.size(); ++k) {
    candidates.append(unicode_util::Ucs4ToUtf8(&segmentation.characters[k], 1));
    matched_lengths.append(segmentation.lengths[k]);
    candidate_types.append(0);
    confidences.append(k == 0 ? 1 : 0);
  }
  Json::Value attributes(Json::objectValue);
  attributes["matched_length"] = matched_lengths;
  attributes["candidate_type"] = candidate_types;
  attributes["is_confident"] = confidences;
  GenerateResponse(text, candidates, matched_lengths, attributes);
}

// The reply is written straight from the dictionary's entries: the text
// that GenerateResponse would post for the same lists, without building
// them as Json values (see hanja_reply.h).
void HangulInstance::MatchHanja(const std::string& text, unsigned int num) {
  PostMessage(velt::Var(
      hanja_reply::Write(text, hanja_match::Match(*hanja_lookup_, text, num))));
}

class HangulModule final : public velt::Module {
 public:
  velt::Instance* CreateInstance(VELT_Instance instance) override {
    return new HangulInstance(instance);
  }
};

}  // namespace

namespace velt {

Module* CreateModule() { return new HangulModule(); }

}  // namespace velt
