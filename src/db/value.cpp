#include "db/value.h"

namespace tabrin {

double TValue::Number() const {
  switch (Type()) {
    case TValueType::vtInteger: return static_cast<double>(Integer());
    case TValueType::vtFloat: return Float();
    case TValueType::vtDateTime: return DateTime();
    case TValueType::vtBoolean: return Boolean() ? 1.0 : 0.0;
    default: return 0.0;
  }
}

}  // namespace tabrin
