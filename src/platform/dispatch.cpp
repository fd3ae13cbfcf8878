// Member lookup, invocation checks and event delivery of late-bound automation.
#include "zentrik/platform/dispatch.h"

#include <cctype>

#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace

TypeInfo::TypeInfo(std::string name, std::vector<MemberInfo> members)
    : name_(std::move(name)), members_(std::move(members)) {}

const MemberInfo* TypeInfo::find(DispId id, MemberKind kind) const {
  for (const MemberInfo& member : members_) {
    if (member.id == id && member.kind == kind) return &member;
  }
  return nullptr;
}

const MemberInfo* TypeInfo::find(std::string_view name, MemberKind kind) const {
  for (const MemberInfo& member : members_) {
    if (member.kind == kind && same_name(member.name, name)) return &member;
  }
  return nullptr;
}

DispId TypeInfo::id_of(std::string_view name) const {
  for (const MemberInfo& member : members_) {
    if (same_name(member.name, name)) return member.id;
  }
  raise_error(errors::kMemberNotFound, name_);
}

const MemberInfo& check_invocation(const TypeInfo& info, DispId id, MemberKind kind,
                                   std::span<Variant> args) {
  const MemberInfo* member = info.find(id, kind);
  if (member == nullptr) raise_error(errors::kMemberNotFound, info.name());
  if (args.size() != member->params.size()) raise_error(errors::kWrongArguments, info.name());
  return *member;
}

Variant Dispatchable::invoke(std::string_view name, MemberKind kind, std::span<Variant> args) {
  const TypeInfo& info = type_info();
  const MemberInfo* member = info.find(name, kind);
  if (member == nullptr) raise_error(errors::kMemberNotFound, info.name());
  return invoke(member->id, kind, args);
}

Variant Dispatchable::get(DispId id) {
  return invoke(id, MemberKind::PropertyGet, {});
}

void Dispatchable::put(DispId id, Variant value) {
  invoke(id, MemberKind::PropertyPut, std::span<Variant>(&value, 1));
}

void EventSource::fire(DispId id, std::span<Variant> args) const {
  if (sink_ == nullptr) return;
  sink_->on_event(id, args);
}

}  // namespace zentrik
