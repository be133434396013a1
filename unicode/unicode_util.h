// Conversion between UTF-8 byte strings and strings of code points.
//
// Both directions use the six-byte form of UTF-8 (31 bits) and are lenient:
// surrogates, values above U+10FFFF and overlong forms pass. Neither throws;
// each answers an empty result on failure, never a partial one.
#ifndef UNICODE_UNICODE_UTIL_H_
#define UNICODE_UNICODE_UTIL_H_

#include <string>

// One element per code point. The data pointer is followed by a zero
// element, as for any std::basic_string.
typedef std::basic_string<unsigned int> Ucs4String;

namespace unicode_util {

// Encodes code points from `ucs4` up to the first zero element, and at most
// `count` of them when `count` is not 0. The first element is always read.
// A value of 0x80000000 or more makes the whole result empty and writes
// "Invalid UCS4 char" and the value as one line to standard error.
// The result never holds a zero byte.
std::string Ucs4ToUtf8(const unsigned int* ucs4, unsigned int count);

// Decodes bytes from `utf8` up to the first zero byte, and at most `count`
// of them when `count` is not 0. Continuation bytes are not checked: the
// first byte of each sequence alone sets its length. A first byte of
// 0xBE, 0xBF, 0xFE or 0xFF, or a sequence cut off by the end, gives an
// empty result and writes nothing. A decoded zero (only an overlong form
// such as C0 80 gives one) ends the result.
// Example: "\xC3\xA9" gives {0xE9}; "abc\xC3" gives {}.
Ucs4String Utf8ToUcs4(const char* utf8, unsigned int count);

}  // namespace unicode_util

#endif  // UNICODE_UNICODE_UTIL_H_
