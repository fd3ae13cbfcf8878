// The command line of one subcommand: positional words and --options, with clear errors for
// unknown options and bad values. Options take their value as "--name value" or "--name=value".
#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace zentrik::cli {

// A mistake in what the user typed; the message is shown as it stands, exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class CommandLine {
 public:
  // `flags` take no value; `options` take one. Anything else starting with "--" is an error.
  CommandLine(const std::vector<std::string>& words, const std::set<std::string>& flags,
              const std::set<std::string>& options);

  bool has(const std::string& name) const { return given_.count(name) != 0; }
  const std::set<std::string>& given() const { return given_; }  // the option names used
  std::optional<std::string> value(const std::string& name) const;
  std::string value_or(const std::string& name, const std::string& fallback) const;
  // A whole number within [min, max]; UsageError naming the option otherwise.
  long long number(const std::string& name, long long fallback, long long min, long long max) const;
  double real(const std::string& name, double fallback, double min, double max) const;
  const std::vector<std::string>& positional() const { return positional_; }
  // The positional word at `index`; UsageError "missing <what>" when there is none.
  const std::string& word(std::size_t index, const std::string& what) const;
  // UsageError when more than `count` positional words were given.
  void at_most(std::size_t count) const;

 private:
  std::set<std::string> given_;
  std::map<std::string, std::string> values_;
  std::vector<std::string> positional_;
};

}  // namespace zentrik::cli
