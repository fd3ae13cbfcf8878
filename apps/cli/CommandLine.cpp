#include "cli/CommandLine.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace zentrik::cli {
namespace {

// 0.001, 10000000: as short as the number allows, without exponents for usual ranges.
std::string readable(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

}  // namespace

CommandLine::CommandLine(const std::vector<std::string>& words, const std::set<std::string>& flags,
                         const std::set<std::string>& options) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word.size() < 3 || word.compare(0, 2, "--") != 0) {
      positional_.push_back(word);
      continue;
    }
    std::string name = word.substr(2);
    std::optional<std::string> inline_value;
    if (auto eq = name.find('='); eq != std::string::npos) {
      inline_value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (flags.count(name)) {
      if (inline_value) throw UsageError("option --" + name + " takes no value");
      given_.insert(name);
    } else if (options.count(name)) {
      if (!inline_value) {
        if (i + 1 >= words.size()) throw UsageError("option --" + name + " needs a value");
        inline_value = words[++i];
      }
      given_.insert(name);
      values_[name] = *inline_value;
    } else {
      throw UsageError("unknown option --" + name + " (see --help)");
    }
  }
}

std::optional<std::string> CommandLine::value(const std::string& name) const {
  auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::string CommandLine::value_or(const std::string& name, const std::string& fallback) const {
  return value(name).value_or(fallback);
}

long long CommandLine::number(const std::string& name, long long fallback, long long min,
                              long long max) const {
  auto text = value(name);
  if (!text) return fallback;
  long long result = 0;
  auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), result);
  if (ec != std::errc() || end != text->data() + text->size() || result < min || result > max) {
    throw UsageError("--" + name + " needs a whole number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ", not '" + *text + "'");
  }
  return result;
}

double CommandLine::real(const std::string& name, double fallback, double min, double max) const {
  auto text = value(name);
  if (!text) return fallback;
  char* end = nullptr;
  double result = std::strtod(text->c_str(), &end);
  if (text->empty() || *end != '\0' || !(result >= min && result <= max)) {
    throw UsageError("--" + name + " needs a number from " + readable(min) + " to " +
                     readable(max) + ", not '" + *text + "'");
  }
  return result;
}

const std::string& CommandLine::word(std::size_t index, const std::string& what) const {
  if (index >= positional_.size()) throw UsageError("missing " + what + " (see --help)");
  return positional_[index];
}

void CommandLine::at_most(std::size_t count) const {
  if (positional_.size() > count) {
    throw UsageError("unexpected argument '" + positional_[count] + "' (see --help)");
  }
}

}  // namespace zentrik::cli
