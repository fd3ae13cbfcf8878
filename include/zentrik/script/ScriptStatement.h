// The pieces of a parsed control script: values (whole numbers, True/False, text) and statements
// (a property write or a method call by member name), each with the line and column it came from.
#pragma once

#include <string>
#include <vector>

#include "zentrik/platform/automation.h"

namespace zentrik {

struct ScriptValue {
  enum class Kind { Number, Boolean, String };
  Kind kind = Kind::Number;
  Long number = 0;  // Number: in the Long range; passed as an Integer when it fits one
  bool boolean = false;
  std::string text;  // String, with "" already turned into "
  int line = 0;
  int column = 0;

  bool fits_integer() const { return number >= -32768 && number <= 32767; }
};

struct ScriptStatement {
  enum class Kind { PropertyWrite, MethodCall };
  Kind kind = Kind::MethodCall;
  std::string member;                  // as written
  std::vector<ScriptValue> arguments;  // the one value of a property write
  int line = 0;
  int column = 0;  // of the member name
};

// One fault of a script: where it is (1-based line and byte column) and what is wrong.
struct ScriptError {
  int line = 0;
  int column = 0;
  std::string message;
};

// A name the script may use for a number ("medium" for 256).
struct NamedConstant {
  std::string name;
  Long value = 0;
};

}  // namespace zentrik
