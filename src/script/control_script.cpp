// ControlScript: parsing line by line, checking against the target's members, messages, and
// loading from a file.
#include "zentrik/script/ControlScript.h"

#include <algorithm>
#include <cerrno>

#include "line_parser.h"
#include "statement_check.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/files.h"

namespace zentrik {

ControlScript ControlScript::parse(std::string_view text, std::string file_name,
                                   std::span<const NamedConstant> constants) {
  ControlScript script;
  script.file_name_ = std::move(file_name);
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
    text.remove_prefix(kByteOrderMark.size());
  int line_number = 0;
  while (!text.empty()) {
    ++line_number;
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    script::LineResult result = script::LineParser(line, line_number, constants).parse();
    if (auto* statement = std::get_if<ScriptStatement>(&result))
      script.statements_.push_back(std::move(*statement));
    else if (auto* error = std::get_if<ScriptError>(&result))
      script.errors_.push_back(std::move(*error));
  }
  return script;
}

ControlScript ControlScript::load(const std::string& path,
                                  std::span<const NamedConstant> constants) {
  Long error = 0;
  const std::optional<std::string> text = read_file(path, &error);
  if (!text) {
    std::string reason = system_message(error);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    raise_error(error == ENOENT ? errors::kFileNotFound : errors::kPathFileAccess,
                ZENTRIK_MODULE_NAME, "cannot read '" + path + "': " + reason);
  }
  return parse(*text, path, constants);
}

void ControlScript::check(const TypeInfo& members) {
  for (const ScriptStatement& statement : statements_)
    if (auto fault = script::check_statement(statement, members)) errors_.push_back(*fault);
  std::stable_sort(errors_.begin(), errors_.end(), [](const ScriptError& a, const ScriptError& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  });
}

std::vector<std::string> ControlScript::messages() const {
  std::vector<std::string> out;
  for (const ScriptError& error : errors_)
    out.push_back(file_name_ + ":" + std::to_string(error.line) + ":" +
                  std::to_string(error.column) + ": " + error.message);
  return out;
}

}  // namespace zentrik
