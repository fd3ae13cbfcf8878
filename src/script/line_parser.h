// Parses one line of a control script into a statement, or says what is wrong with it and
// where. A line is blank, a comment, a property write or a method call.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "zentrik/script/ScriptStatement.h"

namespace zentrik::script {

// Nothing (a blank or comment line), a statement, or the line's first fault.
using LineResult = std::variant<std::monostate, ScriptStatement, ScriptError>;

class LineParser {
 public:
  LineParser(std::string_view line, int line_number, std::span<const NamedConstant> constants)
      : text_(line), line_(line_number), constants_(constants) {}

  LineResult parse();

 private:
  char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
  bool at_end_of_statement() const;
  void skip_blanks();
  std::string_view read_name();
  bool starts_value() const;
  // Each parse_ function returns nullopt after recording the fault in fault_.
  std::optional<ScriptValue> parse_value(const char* after);
  std::optional<ScriptValue> parse_string();
  std::optional<ScriptValue> parse_hex();
  std::optional<ScriptValue> parse_decimal();
  std::optional<ScriptValue> parse_name();
  ScriptValue start_value(ScriptValue::Kind kind) const;
  std::nullopt_t fail(std::size_t at, std::string message);
  LineResult parse_statement();
  int column(std::size_t at) const { return static_cast<int>(at) + 1; }

  std::string_view text_;
  int line_;
  std::span<const NamedConstant> constants_;
  std::size_t at_ = 0;
  std::optional<ScriptError> fault_;
};

}  // namespace zentrik::script
