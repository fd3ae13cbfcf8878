// Variant: the automation value that crosses dispatch calls and events, by value or by
// reference, with the conversions the system uses (numeric text, halves to even, range checks).
#pragma once

#include <memory>
#include <string>
#include <variant>

#include "zentrik/platform/automation.h"

namespace zentrik {

class Picture;
class Dispatchable;

class Variant {
 public:
  enum class Type { Empty, Integer, Long, Double, Boolean, String, Picture, Object };

  Variant() = default;
  Variant(Integer v) : value_(v) {}                   // NOLINT(google-explicit-constructor)
  Variant(Long v) : value_(v) {}                      // NOLINT(google-explicit-constructor)
  Variant(double v) : value_(v) {}                    // NOLINT(google-explicit-constructor)
  Variant(std::string v) : value_(std::move(v)) {}    // NOLINT(google-explicit-constructor)
  Variant(const char* v) : value_(std::string(v)) {}  // NOLINT(google-explicit-constructor)
  Variant(std::shared_ptr<Picture> v) : value_(std::move(v)) {}       // NOLINT
  Variant(std::shared_ptr<Dispatchable> v) : value_(std::move(v)) {}  // NOLINT
  // A bool would silently become the Long 1; Booleans go through boolean() or from_boolean().
  Variant(bool) = delete;
  static Variant boolean(bool v) { return from_boolean(to_boolean(v)); }
  static Variant from_boolean(Boolean v);

  // By-reference variants: reads and writes go to the caller's variable.
  static Variant ref(Integer& target);
  static Variant ref(Long& target);
  static Variant ref_boolean(Boolean& target);
  static Variant ref(std::string& target);

  Type type() const;  // the type of the value, looking through a reference
  bool is_ref() const;
  bool is_empty() const { return type() == Type::Empty; }

  // Conversions; each raises Type mismatch (13) for a value that is not a number, Overflow (6)
  // outside the target range. Fractions round half to even; text is parsed as a decimal number.
  Integer to_integer() const;
  Long to_long() const;
  Byte to_byte() const;
  double to_double() const;
  Boolean to_boolean_value() const;  // numbers: non-zero is True; "True"/"False" text
  std::string to_string() const;     // numbers in decimal; Boolean as "True"/"False"
  std::shared_ptr<Picture> to_picture() const;
  std::shared_ptr<Dispatchable> to_object() const;

  // Writes through a reference (converting to the referenced type), or replaces the value.
  void assign(const Variant& value);

 private:
  struct BooleanValue {
    Boolean value;
  };
  struct BooleanRef {
    Boolean* target;
  };
  using Value = std::variant<std::monostate, Integer, Long, double, BooleanValue, std::string,
                             std::shared_ptr<Picture>, std::shared_ptr<Dispatchable>, Integer*,
                             Long*, BooleanRef, std::string*>;
  Variant deref() const;
  Value value_;
};

// Parses decimal text ("  12", "-3.5", "1e2") as an automation number; false when it is not one
// (empty, blanks only, other characters). Leading and trailing blanks and tabs are ignored; a
// number too large for a double gives an infinity. Used by every text-to-number conversion.
bool parse_number(const std::string& text, double& out);

// A double as the runtime prints it: up to 15 significant digits without trailing zeros, plain
// for magnitudes from 0.0001 below 1E+15, otherwise as 1.5E+20 or 1E-05.
std::string format_number(double value);

}  // namespace zentrik
