// ControlScript: a small text format that drives a Dispatchable (the control) by member name.
//
//   ' comments start with ' or # and run to the end of the line
//   layer = 1                                   property write
//   colordepth = medium                         named constants given by the caller
//   add_motion_detection 1, 1, 10, 10, 100, 80, 20
//   add_color_detection 1, 2, 0, 0, 40, 40, &H0000FF, 30
//   save_picture "shot.jpg", True               "" inside text stands for one quote
//   clear_all
//
// Values: whole numbers with an optional sign, &H hex (up to 8 digits; above &H7FFFFFFF they
// wrap to negative Longs), True and False, quoted text, and the caller's constants; names are
// compared without regard to case. The whole text is parsed, and checked against the target's
// members, before anything runs: a script with any fault runs nothing.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "zentrik/platform/dispatch.h"
#include "zentrik/script/ScriptStatement.h"

namespace zentrik {

class ControlScript {
 public:
  // Parses `text`; each faulty line gives one error (its first fault), the others still parse.
  // `file_name` only labels the messages.
  static ControlScript parse(std::string_view text, std::string file_name,
                             std::span<const NamedConstant> constants = {});
  // Reads and parses a file. Raises 53 (missing) or 75 (other failures) with "cannot read
  // 'NAME': REASON" when it cannot be read; faults of its text land in errors() as usual.
  static ControlScript load(const std::string& path, std::span<const NamedConstant> constants = {});

  // Adds an error for every statement that does not fit `members`: an unknown member, a write
  // to something that is not a writable property, a call of something that is not a method, or
  // the wrong number of arguments.
  void check(const TypeInfo& members);

  bool ok() const { return errors_.empty(); }
  const std::vector<ScriptError>& errors() const { return errors_; }
  // "FILE:LINE:COLUMN: MESSAGE" for each error, in line order.
  std::vector<std::string> messages() const;
  const std::vector<ScriptStatement>& statements() const { return statements_; }
  const std::string& file_name() const { return file_name_; }

  // Checks against the target's members and, only when nothing is wrong, runs the statements in
  // order through Dispatchable::invoke by name: property writes by value; method arguments by
  // reference to temporaries where the parameter is by reference. A script with faults raises
  // error 5 with all its messages, one a line, and runs nothing. An error raised by a statement
  // comes back with the same number and source and "FILE:LINE:COLUMN: " before its description;
  // the statements before it stay done.
  void run(Dispatchable& target) const;

 private:
  std::string file_name_;
  std::vector<ScriptStatement> statements_;
  std::vector<ScriptError> errors_;
};

}  // namespace zentrik
