// Whether a parsed statement fits the members of its target: the member exists with the right
// kind (a writable property, or a method) and takes as many arguments as are given.
#pragma once

#include <optional>

#include "zentrik/platform/dispatch.h"
#include "zentrik/script/ScriptStatement.h"

namespace zentrik::script {

MemberKind kind_of(const ScriptStatement& statement);

// The fault of `statement` against `members`, if it has one.
std::optional<ScriptError> check_statement(const ScriptStatement& statement,
                                           const TypeInfo& members);

}  // namespace zentrik::script
