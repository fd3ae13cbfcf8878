// The application object: title, version numbers from the build, and the end request.
#include "zentrik/platform/application.h"

#include <cstdlib>

#ifndef ZENTRIK_VERSION_MAJOR
#error "the build passes ZENTRIK_VERSION_MAJOR, _MINOR and _PATCH"
#endif

namespace zentrik {
namespace {

void exit_program() {
  std::exit(1);
}

}  // namespace

Application::Application() : title_("Zentrik"), end_(exit_program) {
  SetVersion(ZENTRIK_VERSION_MAJOR, ZENTRIK_VERSION_MINOR, ZENTRIK_VERSION_PATCH);
}

Application& Application::instance() {
  static Application* application = new Application();
  return *application;
}

void Application::SetVersion(Integer major, Integer minor, Integer revision) {
  major_ = major;
  minor_ = minor;
  revision_ = revision;
}

std::string Application::version_text() const {
  return std::to_string(major_) + "." + std::to_string(minor_) + "." + std::to_string(revision_);
}

void Application::End() {
  std::function<void()> handler = end_;
  handler();
  // A handler that returns has not ended anything; the program ends here all the same.
  std::exit(1);
}

std::function<void()> Application::set_end_handler(std::function<void()> handler) {
  if (!handler) handler = exit_program;
  end_.swap(handler);
  return handler;
}

}  // namespace zentrik
