#include "watch/StopSignals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "zentrik/platform/message_loop.h"

namespace zentrik::cli {
namespace {

std::atomic<bool> g_stop{false};                     // set by the handler, read by the loop
std::atomic<bool> g_running{false};                  // capture has started
std::atomic<zentrik::MessageLoop*> g_loop{nullptr};  // woken by the handler
struct sigaction g_previous_int {};
struct sigaction g_previous_term {};

extern "C" void on_stop_signal(int) {
  if (!g_running.load()) {
    static const char kLine[] = "zentrik watch: stopped before capture started\n";
    (void)!::write(STDERR_FILENO, kLine, sizeof kLine - 1);
    ::_exit(0);
  }
  g_stop.store(true);
  if (zentrik::MessageLoop* loop = g_loop.load()) loop->quit_from_signal();
}

}  // namespace

StopSignals::StopSignals() {
  g_loop.store(&MessageLoop::instance());
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigaction(SIGINT, &action, &g_previous_int);
  sigaction(SIGTERM, &action, &g_previous_term);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &g_previous_int, nullptr);
  sigaction(SIGTERM, &g_previous_term, nullptr);
}

void StopSignals::capture_started() {
  g_running.store(true);
}

bool StopSignals::requested() {
  return g_stop.load();
}

}  // namespace zentrik::cli
