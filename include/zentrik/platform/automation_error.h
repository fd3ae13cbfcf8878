// The one error type that the system raises: an automation error with number, source and
// description, as it reaches a caller; plus system message texts for error codes.
#pragma once

#include <stdexcept>
#include <string>

#include "zentrik/platform/automation.h"

namespace zentrik {

// Standard automation error numbers used by the system.
namespace errors {
inline constexpr Long kInvalidProcedureCall = 5;
inline constexpr Long kOverflow = 6;
inline constexpr Long kSubscriptOutOfRange = 9;
inline constexpr Long kTypeMismatch = 13;
inline constexpr Long kCantPerformOperation = 17;
inline constexpr Long kFileNotFound = 53;
inline constexpr Long kPathFileAccess = 75;
inline constexpr Long kInvalidPropertyValue = 380;
inline constexpr Long kMemberNotFound = 438;
inline constexpr Long kWrongArguments = 450;
}  // namespace errors

class AutomationError : public std::runtime_error {
 public:
  AutomationError(Long number, std::string source, std::string description);

  Long number() const { return number_; }
  const std::string& source() const { return source_; }
  const std::string& description() const { return description_; }

 private:
  Long number_;
  std::string source_;
  std::string description_;
};

// The standard description of an automation error number ("Overflow", "Type mismatch", ...).
std::string error_text(Long number);

// Raises `number` with the given source; an empty description takes the standard text.
[[noreturn]] void raise_error(Long number, std::string source = {}, std::string description = {});

// The system's message text for an error code (errno), ending with the "\r\n" that system
// messages carry, as FormatMessage returns it; "" for a code that has no message.
std::string system_message(Long errorCode);

}  // namespace zentrik
