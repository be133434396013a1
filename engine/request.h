// Requests from the page: parsing and checking one message.
#ifndef ENGINE_REQUEST_H_
#define ENGINE_REQUEST_H_

#include <string>

namespace request {

constexpr char kNotAString[] = "Request is not a string";
constexpr char kParseFailed[] = "Failed to parse request json";
constexpr char kAppNotString[] =
    "Invalid format: property 'app' is not a string";
constexpr char kNumNotInteger[] =
    "Invalid format: property 'num' isn't integer";
constexpr char kInvalidRequest[] = "Invalid request: ";

struct Request {
  enum class Kind { kError, kMatch, kKeyboard };
  Kind kind = Kind::kError;
  std::string error;     // kError: the message of the error reply
  std::string text;      // kMatch: the decoded text
  unsigned int num = 0;  // kMatch: "num" as 32 unsigned bits (-1 is 2^32-1)
  std::string keyboard;  // kKeyboard: the layout id
};

// Parses `raw` leniently (comments allowed, trailing text ignored, null
// taken as an empty object) and checks it. The first failing check, in the
// order "app", "text" with "num", "keyboard", gives the error; a document
// that is not an object fails on "app". Never throws, whatever the bytes or
// the nesting depth.
Request Parse(const std::string& raw);

}  // namespace request

#endif  // ENGINE_REQUEST_H_
