// Running a checked control script through dispatch by name, by-reference parameters bound to
// temporaries that live until the call returns.
#include <deque>

#include "statement_check.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/script/ControlScript.h"

namespace zentrik {
namespace {

// Variables for the by-reference arguments of one call.
class Temporaries {
 public:
  Variant reference_to(const ScriptValue& value) {
    switch (value.kind) {
      case ScriptValue::Kind::Boolean:
        return Variant::ref_boolean(booleans_.emplace_back(to_boolean(value.boolean)));
      case ScriptValue::Kind::String:
        return Variant::ref(texts_.emplace_back(value.text));
      case ScriptValue::Kind::Number:
        if (value.fits_integer())
          return Variant::ref(integers_.emplace_back(static_cast<Integer>(value.number)));
        return Variant::ref(longs_.emplace_back(value.number));
    }
    return {};
  }

 private:
  // Deques keep every element where it is while more are added.
  std::deque<Integer> integers_;
  std::deque<Long> longs_;
  std::deque<Boolean> booleans_;
  std::deque<std::string> texts_;
};

Variant value_of(const ScriptValue& value) {
  switch (value.kind) {
    case ScriptValue::Kind::Boolean:
      return Variant::boolean(value.boolean);
    case ScriptValue::Kind::String:
      return Variant(value.text);
    case ScriptValue::Kind::Number:
      if (value.fits_integer()) return Variant(static_cast<Integer>(value.number));
      return Variant(value.number);
  }
  return {};
}

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += (out.empty() ? "" : "\n") + line;
  return out;
}

}  // namespace

void ControlScript::run(Dispatchable& target) const {
  ControlScript checked = *this;
  if (ok()) checked.check(target.type_info());
  if (!checked.ok())
    raise_error(errors::kInvalidProcedureCall, ZENTRIK_MODULE_NAME, joined(checked.messages()));

  const TypeInfo& members = target.type_info();
  for (const ScriptStatement& statement : statements_) {
    const MemberKind kind = script::kind_of(statement);
    const MemberInfo* member = members.find(statement.member, kind);
    Temporaries temporaries;
    std::vector<Variant> arguments;
    for (std::size_t i = 0; i < statement.arguments.size(); ++i) {
      const bool by_ref = kind == MemberKind::Method && member != nullptr &&
                          i < member->params.size() && member->params[i].by_ref;
      arguments.push_back(by_ref ? temporaries.reference_to(statement.arguments[i])
                                 : value_of(statement.arguments[i]));
    }
    try {
      target.invoke(statement.member, kind, arguments);
    } catch (const AutomationError& error) {
      raise_error(error.number(), error.source(),
                  file_name_ + ":" + std::to_string(statement.line) + ":" +
                      std::to_string(statement.column) + ": " + error.description());
    }
  }
}

}  // namespace zentrik
