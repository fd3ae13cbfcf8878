// Fuzz target: any text as a control script. Every fault must point inside the text, a clean
// script must run every statement exactly once, and only automation errors may come out.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "zentrik/platform/automation_error.h"
#include "zentrik/script/ControlScript.h"

namespace {

using zentrik::MemberKind;

const zentrik::TypeInfo& members() {
  static const zentrik::TypeInfo info(
      "target", {
                    {"layer", 1, MemberKind::PropertyPut, {{"new_layer", false}}},
                    {"layer", 1, MemberKind::PropertyGet, {}},
                    {"clear_all", 2, MemberKind::Method, {}},
                    {"add", 3, MemberKind::Method, {{"a", true}, {"b", true}, {"c", false}}},
                    {"save", 4, MemberKind::Method, {{"name", true}, {"flag", true}}},
                });
  return info;
}

class CountingTarget : public zentrik::Dispatchable {
 public:
  const zentrik::TypeInfo& type_info() const override { return members(); }
  zentrik::Variant invoke(zentrik::DispId id, MemberKind kind,
                          std::span<zentrik::Variant> args) override {
    zentrik::check_invocation(members(), id, kind, args);
    for (zentrik::Variant& arg : args) {
      arg.to_string();  // every argument readable
      if (arg.is_ref()) arg.assign(zentrik::Variant(zentrik::Integer{1}));
    }
    ++calls;
    return {};
  }
  using zentrik::Dispatchable::invoke;
  std::size_t calls = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<zentrik::NamedConstant> constants = {{"low", 16}, {"medium", 256}};
  zentrik::ControlScript script = zentrik::ControlScript::parse(text, "fuzz.txt", constants);

  std::vector<std::size_t> line_lengths;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    line_lengths.push_back(end - start);
    start = end + 1;
  }
  for (const zentrik::ScriptError& error : script.errors()) {
    if (error.line < 1 || static_cast<std::size_t>(error.line) > line_lengths.size()) std::abort();
    if (error.column < 1 ||
        static_cast<std::size_t>(error.column) > line_lengths[error.line - 1] + 1)
      std::abort();
    if (error.message.empty()) std::abort();
  }
  for (const zentrik::ScriptStatement& statement : script.statements())
    if (statement.member.empty() || statement.line < 1) std::abort();

  CountingTarget target;
  try {
    script.run(target);
    if (!script.ok() || target.calls != script.statements().size()) std::abort();
  } catch (const zentrik::AutomationError& error) {
    if (target.calls != 0) std::abort();  // faults are found before anything runs
    if (error.number() != zentrik::errors::kInvalidProcedureCall) std::abort();
  }
  return 0;
}
