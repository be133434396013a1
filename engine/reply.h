// Replies to the page: their two shapes and their exact compact text.
#ifndef ENGINE_REPLY_H_
#define ENGINE_REPLY_H_

#include <json/value.h>

#include <string>
#include <string_view>

namespace reply {

constexpr char kResponseSuccess[] = "SUCCESS";
constexpr char kResponseError[] = "ERROR";

// ["ERROR", message]
Json::Value Error(const std::string& message);

// ["SUCCESS", [[text, candidates, matched_lengths, attributes]]]. The three
// values are inserted as they are: each list is an array or null.
Json::Value Success(const std::string& text, const Json::Value& candidates,
                    const Json::Value& matched_lengths,
                    const Json::Value& attributes);

// Compact JSON text followed by one line feed: no white space, object
// members in ascending byte order of their keys, strings escaped only where
// JSON requires (\" \\ \b \f \n \r \t, other bytes below 0x20 as \u00XX in
// upper case), every other byte, UTF-8 included, copied as it is.
// Example: ["SUCCESS",[["gks",["한"],[3],{"candidate_type":[0],...}]]]\n
std::string Write(const Json::Value& value);

// Appends `s` to `out` as a JSON string in double quotes, escaped as Write
// escapes strings: for replies written without building a Json::Value.
void AppendString(std::string_view s, std::string* out);

}  // namespace reply

#endif  // ENGINE_REPLY_H_
