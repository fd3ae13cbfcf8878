// Late-bound automation: a class describes its members (name, dispatch identifier, kind,
// parameters) and is invoked by identifier or by name with Variants; events reach a sink.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "zentrik/platform/variant.h"

namespace zentrik {

using DispId = Long;

enum class MemberKind { PropertyGet, PropertyPut, Method };

struct ParamInfo {
  std::string name;
  bool by_ref = false;
};

struct MemberInfo {
  std::string name;
  DispId id = 0;
  MemberKind kind = MemberKind::Method;
  std::vector<ParamInfo> params;
};

// The description of an interface: its members in slot order.
class TypeInfo {
 public:
  TypeInfo(std::string name, std::vector<MemberInfo> members);
  const std::string& name() const { return name_; }
  const std::vector<MemberInfo>& members() const { return members_; }
  // Lookups; nullptr when there is no such member. Names compare without regard to case.
  const MemberInfo* find(DispId id, MemberKind kind) const;
  const MemberInfo* find(std::string_view name, MemberKind kind) const;
  // Raises 438 when no member has this name.
  DispId id_of(std::string_view name) const;

 private:
  std::string name_;
  std::vector<MemberInfo> members_;
};

// An object reachable through dispatch. Arguments are in declaration order; by-reference
// parameters receive by-reference Variants and write through them.
class Dispatchable {
 public:
  virtual ~Dispatchable() = default;
  virtual const TypeInfo& type_info() const = 0;
  // Raises 438 for an unknown member and 450 for a wrong number of arguments.
  virtual Variant invoke(DispId id, MemberKind kind, std::span<Variant> args) = 0;

  Variant invoke(std::string_view name, MemberKind kind, std::span<Variant> args);
  // Conveniences for property access by identifier.
  Variant get(DispId id);
  void put(DispId id, Variant value);
};

// Checks an invocation against the member description: raises 438 or 450. Helper for invoke().
const MemberInfo& check_invocation(const TypeInfo& info, DispId id, MemberKind kind,
                                   std::span<Variant> args);

// Receives events of an event interface by identifier; arguments may be by reference.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void on_event(DispId id, std::span<Variant> args) = 0;
};

// An EventSink made of a function, for hosts and tests.
class FunctionSink : public EventSink {
 public:
  explicit FunctionSink(std::function<void(DispId, std::span<Variant>)> fn) : fn_(std::move(fn)) {}
  void on_event(DispId id, std::span<Variant> args) override { fn_(id, args); }

 private:
  std::function<void(DispId, std::span<Variant>)> fn_;
};

// The source side of an event interface: one attached sink at a time (or none).
class EventSource {
 public:
  explicit EventSource(const TypeInfo& events) : events_(&events) {}
  const TypeInfo& event_info() const { return *events_; }
  void advise(EventSink* sink) { sink_ = sink; }
  void unadvise() { sink_ = nullptr; }
  EventSink* sink() const { return sink_; }
  // Delivers the event synchronously; nothing happens without a sink.
  void fire(DispId id, std::span<Variant> args) const;

 private:
  const TypeInfo* events_;
  EventSink* sink_ = nullptr;
};

}  // namespace zentrik
