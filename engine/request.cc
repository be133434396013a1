#include "engine/request.h"

#include <json/reader.h>
#include <json/value.h>

#include <exception>

namespace request {
namespace {

Request Error(std::string message) {
  Request request;
  request.error = std::move(message);
  return request;
}

// A number JsonCpp read as an integer (not 3.0 nor 1e2) within 32 signed
// bits.
bool IsInteger(const Json::Value& value) {
  return (value.type() == Json::intValue || value.type() == Json::uintValue) &&
         value.isInt();
}

const Json::Value* Member(const Json::Value& object, const char* key) {
  return object.isObject()
             ? object.find(key, key + std::char_traits<char>::length(key))
             : nullptr;
}

}  // namespace

Request Parse(const std::string& raw) {
  Json::Value root;
  bool parsed = false;
  try {
    // The reader throws past its nesting limit.
    Json::Reader reader;
    parsed = reader.parse(raw.data(), raw.data() + raw.size(), root,
                          /*collectComments=*/false);
  } catch (const std::exception&) {
    parsed = false;
  }
  if (!parsed) return Error(kParseFailed);

  const Json::Value* app = Member(root, "app");
  if (app == nullptr || !app->isString()) return Error(kAppNotString);

  const Json::Value* text = Member(root, "text");
  if (text != nullptr && text->isString()) {
    const Json::Value* num = Member(root, "num");
    if (num == nullptr || !IsInteger(*num)) return Error(kNumNotInteger);
    Request request;
    request.kind = Request::Kind::kMatch;
    request.text = text->asString();
    request.num = static_cast<unsigned int>(num->asInt());
    return request;
  }

  const Json::Value* keyboard = Member(root, "keyboard");
  if (keyboard != nullptr && keyboard->isString()) {
    Request request;
    request.kind = Request::Kind::kKeyboard;
    request.keyboard = keyboard->asString();
    return request;
  }
  return Error(kInvalidRequest + raw);
}

}  // namespace request
