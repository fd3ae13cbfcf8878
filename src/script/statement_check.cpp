// Checking statements against the target's members before anything runs.
#include "statement_check.h"

#include <string>

namespace zentrik::script {
namespace {

std::string quoted(const std::string& name) {
  return "'" + name + "'";
}

std::string argument_count(std::size_t count) {
  if (count == 0) return "no arguments";
  return std::to_string(count) + (count == 1 ? " argument" : " arguments");
}

}  // namespace

MemberKind kind_of(const ScriptStatement& statement) {
  return statement.kind == ScriptStatement::Kind::PropertyWrite ? MemberKind::PropertyPut
                                                                : MemberKind::Method;
}

std::optional<ScriptError> check_statement(const ScriptStatement& statement,
                                           const TypeInfo& members) {
  const auto fault = [&](std::string message) {
    return ScriptError{statement.line, statement.column, std::move(message)};
  };
  const std::string& name = statement.member;
  const bool method = members.find(name, MemberKind::Method) != nullptr;
  const bool writable = members.find(name, MemberKind::PropertyPut) != nullptr;
  const bool readable = members.find(name, MemberKind::PropertyGet) != nullptr;

  if (statement.kind == ScriptStatement::Kind::PropertyWrite) {
    if (writable) return std::nullopt;  // a property write always passes its one value
    if (method)
      return fault(quoted(name) + " is a method, not a property: write " + name + " a, b");
    if (readable) return fault(quoted(name) + " is read-only");
    return fault("unknown property " + quoted(name));
  }

  const MemberInfo* member = members.find(name, MemberKind::Method);
  if (member == nullptr) {
    if (writable) return fault(quoted(name) + " is a property: write " + name + " = value");
    if (readable) return fault(quoted(name) + " is a property, not a method");
    return fault("unknown method " + quoted(name));
  }
  if (member->params.size() != statement.arguments.size())
    return fault(quoted(member->name) + " takes " + argument_count(member->params.size()) +
                 ", not " + std::to_string(statement.arguments.size()));
  return std::nullopt;
}

}  // namespace zentrik::script
