// One line of a control script: the member name, then '=' and one value, or the arguments of a
// call separated by commas; values as the script format describes them.
#include "line_parser.h"

#include <cctype>
#include <cstdint>

namespace zentrik::script {
namespace {

constexpr std::int64_t kLongMax = 2147483647;

bool is_name_start(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool is_name_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_hex_digit(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

std::nullopt_t LineParser::fail(std::size_t at, std::string message) {
  if (!fault_) fault_ = ScriptError{line_, column(at), std::move(message)};
  return std::nullopt;
}

void LineParser::skip_blanks() {
  while (peek() == ' ' || peek() == '\t') ++at_;
}

bool LineParser::at_end_of_statement() const {
  return at_ >= text_.size() || peek() == '\'' || peek() == '#';
}

std::string_view LineParser::read_name() {
  const std::size_t start = at_;
  while (is_name_char(peek())) ++at_;
  return text_.substr(start, at_ - start);
}

bool LineParser::starts_value() const {
  const char c = peek();
  return c == '"' || c == '&' || c == '+' || c == '-' || is_digit(c) || is_name_start(c);
}

LineResult LineParser::parse() {
  LineResult result = parse_statement();
  if (fault_) return *fault_;
  return result;
}

LineResult LineParser::parse_statement() {
  skip_blanks();
  if (at_end_of_statement()) return std::monostate{};
  if (!is_name_start(peek())) {
    fail(at_, "expected a member name");
    return {};
  }
  ScriptStatement statement;
  statement.line = line_;
  statement.column = column(at_);
  statement.member = std::string(read_name());
  skip_blanks();

  if (peek() == '=') {
    statement.kind = ScriptStatement::Kind::PropertyWrite;
    ++at_;
    skip_blanks();
    auto value = parse_value("after '='");
    if (!value) return {};
    statement.arguments.push_back(std::move(*value));
    skip_blanks();
    if (!at_end_of_statement()) {
      fail(at_, "expected the end of the line after the value");
      return {};
    }
    return statement;
  }

  statement.kind = ScriptStatement::Kind::MethodCall;
  if (at_end_of_statement()) return statement;
  if (peek() == '(') {
    fail(at_, "arguments are written without parentheses: name a, b");
    return {};
  }
  if (!starts_value()) {
    fail(at_, "expected '=', a value or the end of the line after '" + statement.member + "'");
    return {};
  }
  for (const char* after = "";; after = "after ','") {
    auto value = parse_value(after);
    if (!value) return {};
    statement.arguments.push_back(std::move(*value));
    skip_blanks();
    if (at_end_of_statement()) return statement;
    if (peek() != ',') {
      fail(at_, "expected ',' or the end of the line");
      return {};
    }
    ++at_;
    skip_blanks();
  }
}

ScriptValue LineParser::start_value(ScriptValue::Kind kind) const {
  ScriptValue value;
  value.kind = kind;
  value.line = line_;
  value.column = column(at_);
  return value;
}

std::optional<ScriptValue> LineParser::parse_value(const char* after) {
  const char c = peek();
  if (c == '"') return parse_string();
  if (c == '&') return parse_hex();
  if (c == '+' || c == '-' || is_digit(c)) return parse_decimal();
  if (is_name_start(c)) return parse_name();
  return fail(at_, *after == '\0' ? std::string("expected a value")
                                  : std::string("expected a value ") + after);
}

std::optional<ScriptValue> LineParser::parse_string() {
  ScriptValue value = start_value(ScriptValue::Kind::String);
  const std::size_t open = at_++;
  for (;;) {
    if (at_ >= text_.size()) return fail(open, "unterminated text: a closing '\"' is missing");
    const char c = text_[at_++];
    if (c != '"') {
      value.text += c;
    } else if (peek() == '"') {
      value.text += '"';
      ++at_;
    } else {
      return value;
    }
  }
}

std::optional<ScriptValue> LineParser::parse_hex() {
  ScriptValue value = start_value(ScriptValue::Kind::Number);
  const std::size_t start = at_++;
  if (peek() != 'H' && peek() != 'h') return fail(at_, "expected 'H' after '&'");
  ++at_;
  if (!is_hex_digit(peek())) return fail(at_, "expected hex digits after '&H'");
  std::uint64_t number = 0;
  while (is_hex_digit(peek())) {
    const char c = peek();
    const unsigned digit = is_digit(c) ? static_cast<unsigned>(c - '0')
                                       : static_cast<unsigned>(std::tolower(c) - 'a' + 10);
    number = number * 16 + digit;
    if (number > 0xFFFFFFFFu) return fail(start, "number out of range (at most &HFFFFFFFF)");
    ++at_;
  }
  if (peek() == '&') ++at_;  // the Long type mark that hex constants may carry
  value.number = static_cast<Long>(static_cast<std::uint32_t>(number));
  return value;
}

std::optional<ScriptValue> LineParser::parse_decimal() {
  ScriptValue value = start_value(ScriptValue::Kind::Number);
  const std::size_t start = at_;
  bool negative = false;
  if (peek() == '+' || peek() == '-') {
    negative = peek() == '-';
    ++at_;
    if (!is_digit(peek()))
      return fail(at_, std::string("expected digits after '") + text_[start] + "'");
  }
  std::int64_t number = 0;
  while (is_digit(peek())) {
    number = number * 10 + (peek() - '0');
    if (number > kLongMax + 1) break;
    ++at_;
  }
  if (negative) number = -number;
  if (number > kLongMax || number < -kLongMax - 1)
    return fail(start, "number out of range (a Long is at most 2147483647)");
  if (peek() == '.' && at_ + 1 < text_.size() && is_digit(text_[at_ + 1]))
    return fail(start, "expected a whole number");
  value.number = static_cast<Long>(number);
  return value;
}

std::optional<ScriptValue> LineParser::parse_name() {
  ScriptValue value = start_value(ScriptValue::Kind::Number);
  const std::size_t start = at_;
  const std::string_view name = read_name();
  if (same_name(name, "True") || same_name(name, "False")) {
    value.kind = ScriptValue::Kind::Boolean;
    value.boolean = same_name(name, "True");
    return value;
  }
  for (const NamedConstant& constant : constants_)
    if (same_name(constant.name, name)) {
      value.number = constant.value;
      return value;
    }
  return fail(start, "unknown name '" + std::string(name) + "'");
}

}  // namespace zentrik::script
