#include "engine/hanja_reply.h"

#include <gtest/gtest.h>
#include <json/value.h>

#include <string>
#include <vector>

#include "dictionary/hanja_lookup.h"
#include "dictionary/hanja_match.h"
#include "engine/reply.h"

namespace {

// The reply as the protocol builds it: five Json lists, the attribute
// object, and the reply writer.
std::string ThroughJson(const std::string& text,
                        const std::vector<hanja_match::Run>& runs) {
  Json::Value candidates;
  Json::Value matched_lengths;
  Json::Value annotations;
  Json::Value candidate_types;
  Json::Value confidences;
  for (const hanja_match::Run& run : runs) {
    for (auto item = run.first; item != run.last; ++item) {
      candidates.append(std::string(item->value));
      matched_lengths.append(run.matched_length);
      annotations.append(std::string(item->annotation));
      candidate_types.append(0);
      confidences.append(0);
    }
  }
  Json::Value attributes(Json::objectValue);
  attributes["matched_length"] = matched_lengths;
  attributes["annotation"] = annotations;
  attributes["candidate_type"] = candidate_types;
  attributes["is_confident"] = confidences;
  return reply::Write(
      reply::Success(text, candidates, matched_lengths, attributes));
}

TEST(HanjaReply, SameTextAsTheJsonReply) {
  HanjaLookup::Ptr lookup = HanjaLookup::Create(nullptr);
  lookup->LoadFromMemory(
      std::string("가:可:옳을 가\n"
                  "가:\"家\":a \"quoted\" \\ note\n"
                  "가::\n"
                  "가:\x01\x1F\x7F:\t\b\f\r\n"
                  "가나:佳那:/slash/\n"
                  "나:\xED\x95\x9C:\x00zero\n",
                  102));
  const std::string texts[] = {
      "가나다", "가", "나", "다", "", "\"가\"", std::string("가\x01", 4)};
  for (const std::string& text : texts) {
    for (unsigned int num : {0u, 1u, 2u, 5u, 4294967295u}) {
      SCOPED_TRACE(text + " num " + std::to_string(num));
      std::vector<hanja_match::Run> runs =
          hanja_match::Match(*lookup, text, num);
      EXPECT_EQ(hanja_reply::Write(text, runs), ThroughJson(text, runs));
    }
  }
}

TEST(HanjaReply, NoCandidateGivesNullLists) {
  EXPECT_EQ(hanja_reply::Write("뷁", {}),
            "[\"SUCCESS\",[[\"뷁\",null,null,{\"annotation\":null,"
            "\"candidate_type\":null,\"is_confident\":null,"
            "\"matched_length\":null}]]]\n");
}

}  // namespace
