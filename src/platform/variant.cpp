// Variant: by-value and by-reference automation values and their conversions.
#include "zentrik/platform/variant.h"

#include <cctype>
#include <cmath>
#include <limits>

#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

[[noreturn]] void type_mismatch() {
  raise_error(errors::kTypeMismatch, ZENTRIK_MODULE_NAME);
}
[[noreturn]] void overflow() {
  raise_error(errors::kOverflow, ZENTRIK_MODULE_NAME);
}

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

bool equals_ignoring_case(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return i == a.size() && b[i] == '\0';
}

std::string trim_blanks(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  std::size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

// Rounds half to even and checks the result against [low, high].
std::int64_t round_into(double value, double low, double high) {
  if (std::isnan(value)) overflow();
  const double rounded = round_half_even(value);
  if (!(rounded >= low && rounded <= high)) overflow();
  return static_cast<std::int64_t>(rounded);
}

}  // namespace

Variant Variant::from_boolean(Boolean v) {
  Variant result;
  result.value_ = BooleanValue{v};
  return result;
}

Variant Variant::ref(Integer& target) {
  Variant result;
  result.value_ = &target;
  return result;
}

Variant Variant::ref(Long& target) {
  Variant result;
  result.value_ = &target;
  return result;
}

Variant Variant::ref_boolean(Boolean& target) {
  Variant result;
  result.value_ = BooleanRef{&target};
  return result;
}

Variant Variant::ref(std::string& target) {
  Variant result;
  result.value_ = &target;
  return result;
}

bool Variant::is_ref() const {
  return std::holds_alternative<Integer*>(value_) || std::holds_alternative<Long*>(value_) ||
         std::holds_alternative<BooleanRef>(value_) || std::holds_alternative<std::string*>(value_);
}

Variant Variant::deref() const {
  return std::visit(Overloaded{
                        [](Integer* p) { return Variant(*p); },
                        [](Long* p) { return Variant(*p); },
                        [](BooleanRef r) { return Variant::from_boolean(*r.target); },
                        [](std::string* p) { return Variant(*p); },
                        [this](const auto&) { return *this; },
                    },
                    value_);
}

Variant::Type Variant::type() const {
  return std::visit(Overloaded{
                        [](std::monostate) { return Type::Empty; },
                        [](Integer) { return Type::Integer; },
                        [](Long) { return Type::Long; },
                        [](double) { return Type::Double; },
                        [](BooleanValue) { return Type::Boolean; },
                        [](const std::string&) { return Type::String; },
                        [](const std::shared_ptr<Picture>&) { return Type::Picture; },
                        [](const std::shared_ptr<Dispatchable>&) { return Type::Object; },
                        [](Integer*) { return Type::Integer; },
                        [](Long*) { return Type::Long; },
                        [](BooleanRef) { return Type::Boolean; },
                        [](std::string*) { return Type::String; },
                    },
                    value_);
}

double Variant::to_double() const {
  if (is_ref()) return deref().to_double();
  return std::visit(Overloaded{
                        [](std::monostate) { return 0.0; },
                        [](Integer v) { return static_cast<double>(v); },
                        [](Long v) { return static_cast<double>(v); },
                        [](double v) { return v; },
                        [](BooleanValue v) { return static_cast<double>(v.value); },
                        [](const std::string& s) {
                          double out = 0.0;
                          if (!parse_number(s, out)) type_mismatch();
                          if (std::isinf(out)) overflow();
                          return out;
                        },
                        [](const auto&) -> double { type_mismatch(); },
                    },
                    value_);
}

Integer Variant::to_integer() const {
  if (is_ref()) return deref().to_integer();
  if (const auto* v = std::get_if<Integer>(&value_)) return *v;
  if (const auto* v = std::get_if<BooleanValue>(&value_)) return v->value;
  return static_cast<Integer>(round_into(to_double(), -32768.0, 32767.0));
}

Long Variant::to_long() const {
  if (is_ref()) return deref().to_long();
  if (const auto* v = std::get_if<Long>(&value_)) return *v;
  return static_cast<Long>(round_into(to_double(), -2147483648.0, 2147483647.0));
}

Byte Variant::to_byte() const {
  return static_cast<Byte>(round_into(to_double(), 0.0, 255.0));
}

Boolean Variant::to_boolean_value() const {
  if (is_ref()) return deref().to_boolean_value();
  if (const auto* v = std::get_if<BooleanValue>(&value_)) return v->value;
  if (const auto* s = std::get_if<std::string>(&value_)) {
    const std::string word = trim_blanks(*s);
    if (equals_ignoring_case(word, "True")) return vbTrue;
    if (equals_ignoring_case(word, "False")) return vbFalse;
  }
  const double value = to_double();
  return to_boolean(value != 0.0);
}

std::string Variant::to_string() const {
  if (is_ref()) return deref().to_string();
  return std::visit(Overloaded{
                        [](std::monostate) { return std::string(); },
                        [](Integer v) { return std::to_string(v); },
                        [](Long v) { return std::to_string(v); },
                        [](double v) { return format_number(v); },
                        [](BooleanValue v) { return std::string(v.value ? "True" : "False"); },
                        [](const std::string& s) { return s; },
                        [](const auto&) -> std::string { type_mismatch(); },
                    },
                    value_);
}

std::shared_ptr<Picture> Variant::to_picture() const {
  if (std::holds_alternative<std::monostate>(value_)) return nullptr;
  if (const auto* p = std::get_if<std::shared_ptr<Picture>>(&value_)) return *p;
  type_mismatch();
}

std::shared_ptr<Dispatchable> Variant::to_object() const {
  if (std::holds_alternative<std::monostate>(value_)) return nullptr;
  if (const auto* p = std::get_if<std::shared_ptr<Dispatchable>>(&value_)) return *p;
  type_mismatch();
}

void Variant::assign(const Variant& value) {
  // Convert before writing, so that a failed conversion leaves the target as it was.
  if (auto** p = std::get_if<Integer*>(&value_)) {
    **p = value.to_integer();
  } else if (auto** p = std::get_if<Long*>(&value_)) {
    **p = value.to_long();
  } else if (auto* r = std::get_if<BooleanRef>(&value_)) {
    *r->target = value.to_boolean_value();
  } else if (auto** p = std::get_if<std::string*>(&value_)) {
    **p = value.to_string();
  } else {
    value_ = value.deref().value_;
  }
}

}  // namespace zentrik
