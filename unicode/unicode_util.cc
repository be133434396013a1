#include "unicode/unicode_util.h"

#include <iostream>

namespace unicode_util {
namespace {

// Number of elements before the first zero, capped at `count` unless it is
// 0. The first element is always read.
template <typename T>
size_t Extent(const T* input, unsigned int count) {
  size_t length = 0;
  while ((count == 0 || length < count) && input[length] != 0) ++length;
  return length;
}

// UTF-8 length selected by the value's range; 0 for a value that has none.
int EncodedLength(unsigned int value) {
  if (value < 0x80) return 1;
  if (value < 0x800) return 2;
  if (value < 0x10000) return 3;
  if (value < 0x200000) return 4;
  if (value < 0x4000000) return 5;
  if (value < 0x80000000u) return 6;
  return 0;
}

// Sequence length announced by a first byte: the highest clear bit among
// bits 5 to 1 (bit 6 is not examined); 0 when bits 5 to 1 are all set.
int SequenceLength(unsigned char first) {
  if (first < 0x80) return 1;
  for (int bit = 5, length = 2; bit >= 1; --bit, ++length) {
    if ((first & (1u << bit)) == 0) return length;
  }
  return 0;
}

}  // namespace

std::string Ucs4ToUtf8(const unsigned int* ucs4, unsigned int count) {
  size_t length = Extent(ucs4, count);
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    unsigned int value = ucs4[i];
    int bytes = EncodedLength(value);
    if (bytes == 0) {
      std::cerr << "Invalid UCS4 char" << value << std::endl;
      return std::string();
    }
    if (bytes == 1) {
      out += static_cast<char>(value);
      continue;
    }
    // The first byte has `bytes` high bits set, then a zero, then payload.
    unsigned char lead = static_cast<unsigned char>(0xFF00u >> bytes);
    out += static_cast<char>(lead | (value >> (6 * (bytes - 1))));
    for (int k = bytes - 2; k >= 0; --k) {
      out += static_cast<char>(0x80 | ((value >> (6 * k)) & 0x3F));
    }
  }
  return out;
}

Ucs4String Utf8ToUcs4(const char* utf8, unsigned int count) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(utf8);
  size_t length = Extent(bytes, count);
  Ucs4String out;
  size_t position = 0;
  while (position < length) {
    unsigned char first = bytes[position];
    int sequence = SequenceLength(first);
    if (sequence == 0 || position + sequence > length) return Ucs4String();
    unsigned int value =
        sequence == 1 ? first : first & ((1u << (7 - sequence)) - 1);
    for (int k = 1; k < sequence; ++k) {
      value = (value << 6) | (bytes[position + k] & 0x3F);
    }
    position += sequence;
    // A decoded zero ends the text; what follows is dropped, but a later
    // failure still empties the whole result.
    if (value == 0) {
      while (position < length) {
        int next = SequenceLength(bytes[position]);
        if (next == 0 || position + next > length) return Ucs4String();
        position += next;
      }
      break;
    }
    out.push_back(value);
  }
  return out;
}

}  // namespace unicode_util
