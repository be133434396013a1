#include "engine/reply.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace reply {

// Bytes that need no escape are copied in runs.
void AppendString(std::string_view s, std::string* out) {
  static const char kHex[] = "0123456789ABCDEF";
  out->push_back('"');
  size_t plain = 0;  // start of the run not yet copied
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(s[i]);
    if (byte >= 0x20 && byte != '"' && byte != '\\') continue;
    out->append(s.data() + plain, i - plain);
    plain = i + 1;
    switch (byte) {
      case '"':
        out->append("\\\"");
        break;
      case '\\':
        out->append("\\\\");
        break;
      case '\b':
        out->append("\\b");
        break;
      case '\f':
        out->append("\\f");
        break;
      case '\n':
        out->append("\\n");
        break;
      case '\r':
        out->append("\\r");
        break;
      case '\t':
        out->append("\\t");
        break;
      default:
        out->append("\\u00");
        out->push_back(kHex[byte >> 4]);
        out->push_back(kHex[byte & 0xF]);
    }
  }
  out->append(s.data() + plain, s.size() - plain);
  out->push_back('"');
}

namespace {

void WriteValue(const Json::Value& value, std::string* out) {
  switch (value.type()) {
    case Json::nullValue:
      out->append("null");
      break;
    case Json::intValue:
      out->append(std::to_string(value.asLargestInt()));
      break;
    case Json::uintValue:
      out->append(std::to_string(value.asLargestUInt()));
      break;
    case Json::realValue: {
      char buffer[32];
      std::snprintf(buffer, sizeof(buffer), "%.17g", value.asDouble());
      out->append(buffer);
      break;
    }
    case Json::stringValue: {
      const char* begin = nullptr;
      const char* end = nullptr;
      value.getString(&begin, &end);
      AppendString(std::string_view(begin, end - begin), out);
      break;
    }
    case Json::booleanValue:
      out->append(value.asBool() ? "true" : "false");
      break;
    case Json::arrayValue:
      out->push_back('[');
      for (Json::ArrayIndex i = 0; i < value.size(); ++i) {
        if (i > 0) out->push_back(',');
        WriteValue(value[i], out);
      }
      out->push_back(']');
      break;
    case Json::objectValue: {
      std::vector<std::string> keys = value.getMemberNames();
      std::sort(keys.begin(), keys.end());
      out->push_back('{');
      for (size_t i = 0; i < keys.size(); ++i) {
        if (i > 0) out->push_back(',');
        AppendString(keys[i], out);
        out->push_back(':');
        WriteValue(*value.find(keys[i].data(), keys[i].data() + keys[i].size()),
                   out);
      }
      out->push_back('}');
      break;
    }
  }
}

}  // namespace

Json::Value Error(const std::string& message) {
  Json::Value result(Json::arrayValue);
  result.append(kResponseError);
  result.append(message);
  return result;
}

Json::Value Success(const std::string& text, const Json::Value& candidates,
                    const Json::Value& matched_lengths,
                    const Json::Value& attributes) {
  Json::Value entry(Json::arrayValue);
  entry.append(text);
  entry.append(candidates);
  entry.append(matched_lengths);
  entry.append(attributes);
  Json::Value results(Json::arrayValue);
  results.append(entry);
  Json::Value result(Json::arrayValue);
  result.append(kResponseSuccess);
  result.append(results);
  return result;
}

std::string Write(const Json::Value& value) {
  std::string out;
  WriteValue(value, &out);
  out.push_back('\n');
  return out;
}

}  // namespace reply
