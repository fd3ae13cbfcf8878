// AutomationError, the standard error texts and the system message lookup.
#include "zentrik/platform/automation_error.h"

#include <cstring>

namespace zentrik {

AutomationError::AutomationError(Long number, std::string source, std::string description)
    : std::runtime_error(description),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)) {}

std::string error_text(Long number) {
  switch (number) {
    case errors::kInvalidProcedureCall:
      return "Invalid procedure call or argument";
    case errors::kOverflow:
      return "Overflow";
    case errors::kSubscriptOutOfRange:
      return "Subscript out of range";
    case errors::kTypeMismatch:
      return "Type mismatch";
    case errors::kCantPerformOperation:
      return "Can't perform requested operation";
    case errors::kFileNotFound:
      return "File not found";
    case errors::kPathFileAccess:
      return "Path/File access error";
    case errors::kInvalidPropertyValue:
      return "Invalid property value";
    case errors::kMemberNotFound:
      return "Object doesn't support this property or method";
    case errors::kWrongArguments:
      return "Wrong number of arguments or invalid property assignment";
    default:
      return "Application-defined or object-defined error";
  }
}

void raise_error(Long number, std::string source, std::string description) {
  if (description.empty()) description = error_text(number);
  throw AutomationError(number, std::move(source), std::move(description));
}

std::string system_message(Long errorCode) {
  // strerrordesc_np gives the fixed English text and nullptr for codes without a message,
  // unlike strerror, which invents "Unknown error N".
  const char* text = ::strerrordesc_np(static_cast<int>(errorCode));
  if (text == nullptr || *text == '\0') return {};
  return std::string(text) + "\r\n";
}

}  // namespace zentrik
