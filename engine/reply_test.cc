#include "engine/reply.h"

#include <gtest/gtest.h>

namespace {

TEST(ReplyWrite, EscapesOnlyWhatJsonRequiresWithUpperCaseHex) {
  std::string text = "\"\\/\b\f\n\r\t\x01\x1B\x1F\x7F \xED\x95\x9C";
  EXPECT_EQ(
      reply::Write(Json::Value(text)),
      "\"\\\"\\\\/\\b\\f\\n\\r\\t\\u0001\\u001B\\u001F\x7F \xED\x95\x9C\"\n");
}

TEST(ReplyWrite, ZeroByteInsideAStringIsEscaped) {
  EXPECT_EQ(reply::Write(Json::Value(std::string("a\0b", 3))),
            "\"a\\u0000b\"\n");
}

TEST(ReplyWrite, CompactWithMembersInByteOrder) {
  Json::Value object(Json::objectValue);
  object["matched_length"] = Json::Value();
  object["is_confident"].append(1);
  object["annotation"].append("x");
  object["candidate_type"].append(-7);
  object["Z"] = 4294967295u;
  EXPECT_EQ(reply::Write(object),
            "{\"Z\":4294967295,\"annotation\":[\"x\"],\"candidate_type\":[-7],"
            "\"is_confident\":[1],\"matched_length\":null}\n");
}

TEST(ReplyShapes, ErrorAndSuccess) {
  EXPECT_EQ(reply::Write(reply::Error("Request is not a string")),
            "[\"ERROR\",\"Request is not a string\"]\n");
  Json::Value attributes(Json::objectValue);
  attributes["candidate_type"] = Json::Value();
  EXPECT_EQ(reply::Write(
                reply::Success("", Json::Value(), Json::Value(), attributes)),
            "[\"SUCCESS\",[[\"\",null,null,{\"candidate_type\":null}]]]\n");
}

}  // namespace
