// velt::Var: a value passed between the page and the engine.
#ifndef HOST_VAR_H_
#define HOST_VAR_H_

#include <cstdint>
#include <string>

#include "host/velt_types.h"

namespace velt {

// A small value type: undefined, null, bool, 32-bit integer, double, string
// (UTF-8 bytes, not validated) or array buffer (raw bytes).
class Var {
 public:
  struct Null {};

  Var() = default;  // undefined
  explicit Var(Null) : type_(VELT_VARTYPE_NULL) {}
  Var(bool value) : type_(VELT_VARTYPE_BOOL), int_(value ? 1 : 0) {}
  Var(int32_t value) : type_(VELT_VARTYPE_INT32), int_(value) {}
  Var(double value) : type_(VELT_VARTYPE_DOUBLE), double_(value) {}
  Var(const std::string& value) : type_(VELT_VARTYPE_STRING), bytes_(value) {}
  Var(std::string&& value)
      : type_(VELT_VARTYPE_STRING), bytes_(std::move(value)) {}
  Var(const char* value) : type_(VELT_VARTYPE_STRING), bytes_(value) {}

  // A binary message: the bytes are not a string.
  static Var ArrayBuffer(std::string bytes);

  VELT_VarType type() const { return type_; }
  bool is_undefined() const { return type_ == VELT_VARTYPE_UNDEFINED; }
  bool is_null() const { return type_ == VELT_VARTYPE_NULL; }
  bool is_bool() const { return type_ == VELT_VARTYPE_BOOL; }
  bool is_int() const { return type_ == VELT_VARTYPE_INT32; }
  bool is_double() const { return type_ == VELT_VARTYPE_DOUBLE; }
  bool is_string() const { return type_ == VELT_VARTYPE_STRING; }
  bool is_array_buffer() const { return type_ == VELT_VARTYPE_ARRAY_BUFFER; }

  // Conversions answer a neutral value for a var of another type: false, 0,
  // 0.0 or the empty string. AsInt truncates a double.
  bool AsBool() const;
  int32_t AsInt() const;
  double AsDouble() const;
  // The bytes of a string or an array buffer.
  std::string AsString() const;

 private:
  VELT_VarType type_ = VELT_VARTYPE_UNDEFINED;
  int32_t int_ = 0;
  double double_ = 0.0;
  std::string bytes_;
};

}  // namespace velt

#endif  // HOST_VAR_H_
