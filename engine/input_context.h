// InputContext: libhangul's input context, driven so that Debian's 2019
// snapshot composes like libhangul 0.1.0.
#ifndef ENGINE_INPUT_CONTEXT_H_
#define ENGINE_INPUT_CONTEXT_H_

#include <hangul.h>

#include <memory>
#include <string>

#include "unicode/unicode_util.h"

// The driver differs from a bare context in four ways:
// - syllables reorder, double strokes make double consonants, and two
//   initial consonants never combine into a final cluster;
// - an unknown layout id selects "2" rather than no layout;
// - space, a control byte, DEL or any byte of 0x80 and above ends the
//   syllable in progress and adds nothing; none reaches libhangul, which
//   would take 0x08 as backspace;
// - a printable key that the layout leaves unmapped ends the syllable and
//   adds the key's own character.
class InputContext {
 public:
  // The ids of libhangul's nine built-in layouts.
  static constexpr const char* kKeyboards[] = {"2",  "2y", "39", "3f", "3s",
                                               "3y", "32", "ro", "ahn"};
  static constexpr const char* kDefaultKeyboard = "2";

  InputContext();
  InputContext(const InputContext&) = delete;
  InputContext& operator=(const InputContext&) = delete;

  // Selects `id` if it is one of kKeyboards (exact, case-sensitive), else
  // "2". Does not reset the composition.
  void SelectKeyboard(const std::string& id);
  const std::string& keyboard() const { return keyboard_; }

  // Drops the syllable in progress.
  void Reset();
  // Feeds one key and appends to `out` what it made final.
  void Process(unsigned char key, Ucs4String* out);
  // The syllable in progress: what Flush would give now. Zero-terminated.
  const ucschar* Preedit() const;
  // Appends the syllable in progress to `out` and empties the context.
  void Flush(Ucs4String* out);

  // Reset, every key, then Flush: the text the keys compose.
  Ucs4String Compose(const std::string& keys);

 private:
  struct Deleter {
    void operator()(HangulInputContext* context) const {
      hangul_ic_delete(context);
    }
  };
  std::unique_ptr<HangulInputContext, Deleter> context_;
  std::string keyboard_ = kDefaultKeyboard;
};

#endif  // ENGINE_INPUT_CONTEXT_H_
