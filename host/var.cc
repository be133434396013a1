#include "host/var.h"

#include <cmath>
#include <limits>

namespace velt {

Var Var::ArrayBuffer(std::string bytes) {
  Var var;
  var.type_ = VELT_VARTYPE_ARRAY_BUFFER;
  var.bytes_ = std::move(bytes);
  return var;
}

bool Var::AsBool() const { return is_bool() && int_ != 0; }

int32_t Var::AsInt() const {
  if (is_int() || is_bool()) return int_;
  if (is_double() && std::isfinite(double_) &&
      double_ >= std::numeric_limits<int32_t>::min() &&
      double_ <= std::numeric_limits<int32_t>::max()) {
    return static_cast<int32_t>(double_);
  }
  return 0;
}

double Var::AsDouble() const {
  if (is_double()) return double_;
  if (is_int()) return int_;
  return 0.0;
}

std::string Var::AsString() const {
  return is_string() || is_array_buffer() ? bytes_ : std::string();
}

}  // namespace velt
