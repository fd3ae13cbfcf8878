// The application object: title and version numbers, and the end request by which a component
// ends the whole program (hosts can replace what it does; the default exits with status 1).
#pragma once

#include <functional>
#include <string>

#include "zentrik/platform/automation.h"

namespace zentrik {

class Application {
 public:
  static Application& instance();

  const std::string& Title() const { return title_; }
  Integer Major() const { return major_; }
  Integer Minor() const { return minor_; }
  Integer Revision() const { return revision_; }
  void SetTitle(std::string title) { title_ = std::move(title); }
  void SetVersion(Integer major, Integer minor, Integer revision);

  // "Major.Minor.Revision" in decimal, as version labels show it.
  std::string version_text() const;

  // Ends the program. The handler must not return (the default calls std::exit(1)); a test
  // handler may throw to unwind instead.
  [[noreturn]] void End();
  std::function<void()> set_end_handler(std::function<void()> handler);

 private:
  Application();
  std::string title_;
  Integer major_ = 0, minor_ = 0, revision_ = 0;
  std::function<void()> end_;
};

}  // namespace zentrik
