#include "engine/input_context.h"

namespace {

void Append(const ucschar* text, Ucs4String* out) {
  if (text == nullptr) return;
  while (*text != 0) out->push_back(*text++);
}

bool IsKnownKeyboard(const std::string& id) {
  for (const char* known : InputContext::kKeyboards) {
    if (id == known) return true;
  }
  return false;
}

}  // namespace

InputContext::InputContext() : context_(hangul_ic_new(kDefaultKeyboard)) {
  // The options outlive hangul_ic_select_keyboard and hangul_ic_reset.
  hangul_ic_set_option(context_.get(), HANGUL_IC_OPTION_AUTO_REORDER, true);
  hangul_ic_set_option(context_.get(), HANGUL_IC_OPTION_COMBI_ON_DOUBLE_STROKE,
                       true);
  hangul_ic_set_option(context_.get(), HANGUL_IC_OPTION_NON_CHOSEONG_COMBI,
                       false);
}

void InputContext::SelectKeyboard(const std::string& id) {
  keyboard_ = IsKnownKeyboard(id) ? id : kDefaultKeyboard;
  hangul_ic_select_keyboard(context_.get(), keyboard_.c_str());
}

void InputContext::Reset() { hangul_ic_reset(context_.get()); }

void InputContext::Process(unsigned char key, Ucs4String* out) {
  if (key < 0x21 || key >= 0x7F) {
    Flush(out);
    return;
  }
  bool used = hangul_ic_process(context_.get(), key);
  Append(hangul_ic_get_commit_string(context_.get()), out);
  if (!used) out->push_back(key);
}

const ucschar* InputContext::Preedit() const {
  return hangul_ic_get_preedit_string(context_.get());
}

void InputContext::Flush(Ucs4String* out) {
  Append(hangul_ic_flush(context_.get()), out);
}

Ucs4String InputContext::Compose(const std::string& keys) {
  Ucs4String out;
  Reset();
  for (char key : keys) Process(static_cast<unsigned char>(key), &out);
  Flush(&out);
  return out;
}
