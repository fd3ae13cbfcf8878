// The MQTT link over libmosquitto, the only file that includes it. A thread of our own connects
// without blocking (TCP, TLS and the MQTT handshake), runs the client's network loop, and after a
// failure, a drop or a handshake that never finishes pauses with a doubling back-off before it
// tries again. Nothing in it waits longer than one loop turn for stop().
#include <mosquitto.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

#include "zentrik/mqtt/MqttLink.h"

namespace zentrik {
namespace {

constexpr int kLoopTimeoutMs = 100;
constexpr int kClosedEarlyReported = 10;

// Errors of a connection that never reached the other end.
bool unreachable(int error_number) {
  return error_number == ECONNREFUSED || error_number == EHOSTUNREACH ||
         error_number == ENETUNREACH || error_number == ETIMEDOUT;
}

void init_library() {
  static std::once_flag once;
  std::call_once(once, [] { mosquitto_lib_init(); });
}

class MosquittoLink final : public MqttLink {
 public:
  ~MosquittoLink() override {
    stop();
    if (mosq_) mosquitto_destroy(mosq_);
  }

  bool start(const MqttSettings& settings, const Will& will, std::vector<std::string> subscriptions,
             Callbacks callbacks, std::string* error) override {
    init_library();
    settings_ = settings;
    subscriptions_ = std::move(subscriptions);
    callbacks_ = std::move(callbacks);
    mosq_ = mosquitto_new(settings.client_id.c_str(), true, this);
    if (!mosq_) return set(error, "cannot make an MQTT client: " + std::string(strerror(errno)));
    mosquitto_threaded_set(mosq_, true);
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    if (!settings.username.empty()) {
      mosquitto_username_pw_set(mosq_, settings.username.c_str(),
                                settings.password.empty() ? nullptr : settings.password.c_str());
    }
    if (settings.tls && !set_up_tls(error)) return false;
    if (!will.topic.empty()) {
      mosquitto_will_set(mosq_, will.topic.c_str(), static_cast<int>(will.payload.size()),
                         will.payload.data(), 1, true);
    }
    mosquitto_connect_callback_set(mosq_, &MosquittoLink::on_connect);
    mosquitto_message_callback_set(mosq_, &MosquittoLink::on_message);
    mosquitto_publish_callback_set(mosq_, &MosquittoLink::on_publish);
    thread_ = std::thread([this] { run(); });
    return true;
  }

  bool publish(const std::string& topic, const std::string& payload, bool retain) override {
    if (!connected_.load()) return false;
    int mid = 0;
    const int rc = mosquitto_publish(mosq_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                                     payload.data(), 1, retain);
    if (rc != MOSQ_ERR_SUCCESS) return false;
    std::lock_guard lock(mutex_);
    if (!acked_early_.erase(mid)) unacked_.insert(mid);
    return true;
  }

  bool flush(int timeout_ms) override {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
      return unacked_.empty() || !connected_.load();
    }) && unacked_.empty();
  }

  void stop() override {
    if (!thread_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    mosquitto_disconnect(mosq_);
    thread_.join();
    connected_.store(false);
  }

 private:
  static bool set(std::string* error, std::string text) {
    *error = std::move(text);
    return false;
  }

  bool set_up_tls(std::string* error) {
    const char* ca = settings_.ca_file.empty() ? nullptr : settings_.ca_file.c_str();
    if (ca && access(ca, R_OK) != 0) {
      return set(error, "cannot read the CA file " + settings_.ca_file + ": " + strerror(errno));
    }
    // Without a CA file the system's certificate store is used.
    const char* store = ca ? nullptr : "/etc/ssl/certs";
    int rc = mosquitto_tls_set(mosq_, ca, store, nullptr, nullptr, nullptr);
    if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_tls_opts_set(mosq_, 1, nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
      return set(error, "cannot set up TLS with the CA file " + settings_.ca_file + ": " +
                            mosquitto_strerror(rc));
    }
    return true;
  }

  bool stopping() {
    std::lock_guard lock(mutex_);
    return stopping_;
  }

  // Pauses `ms` unless stop() comes first.
  void pause(int ms) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stopping_; });
  }

  // Connects without blocking (mosquitto_connect_async) and drives the connection with short
  // loop turns, so stop() is seen within one turn even while nothing answers.
  void run() {
    int wait_ms = settings_.retry_first_ms;
    while (!stopping()) {
      errno = 0;
      const int rc = mosquitto_connect_async(mosq_, settings_.host.c_str(), settings_.port,
                                             settings_.keepalive_s);
      if (rc == MOSQ_ERR_SUCCESS) {
        if (drive() == Ended::Stopping) break;
        if (connected_once_) wait_ms = settings_.retry_first_ms;
      } else {
        report_connect_failure(rc, errno);
      }
      connected_once_ = false;
      pause(wait_ms);
      wait_ms = std::min(wait_ms * 2, settings_.retry_max_ms);
    }
  }

  enum class Ended { Stopping, Dropped };

  // Runs the network loop of one connection attempt until it ends or stop() is called.
  Ended drive() {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(settings_.handshake_timeout_ms);
    int rc = MOSQ_ERR_SUCCESS;
    int loop_errno = 0;
    bool timed_out = false;
    while (!stopping()) {
      errno = 0;
      rc = mosquitto_loop(mosq_, kLoopTimeoutMs, 1);
      loop_errno = errno;
      if (rc != MOSQ_ERR_SUCCESS) break;
      if (connected_.load()) connected_once_ = true;
      if (!connected_once_ && !refused_.load() && Clock::now() > deadline) {
        timed_out = true;
        break;
      }
    }
    const bool was = connected_.exchange(false);
    changed_.notify_all();
    if (stopping()) return Ended::Stopping;
    if (timed_out) {
      mosquitto_disconnect(mosq_);
      report(MqttProblem::Address,
             "nothing at " + settings_.address() + " answers the MQTT handshake within " +
                 std::to_string(settings_.handshake_timeout_ms / 1000) + " s");
    } else if (was) {
      report(MqttProblem::Lost, "the connection to the broker " + settings_.address() +
                                    " dropped (" + mosquitto_strerror(rc) + ")");
    } else if (!refused_.load() &&
               (rc == MOSQ_ERR_TLS || (rc == MOSQ_ERR_ERRNO && unreachable(loop_errno)))) {
      report_connect_failure(rc, loop_errno);
    } else if (!refused_.load() && ++closed_early_ == kClosedEarlyReported) {
      // The broker may close a refused connection before its answer is read: only a
      // repeated close without any answer is a problem of its own.
      report(MqttProblem::Other, "the broker " + settings_.address() +
                                     " keeps closing the connection before accepting it (" +
                                     mosquitto_strerror(rc) + ")");
    }
    return Ended::Dropped;
  }

  void report_connect_failure(int rc, int error_number) {
    const std::string where = "the broker " + settings_.address();
    switch (rc) {
      case MOSQ_ERR_EAI:
        report(MqttProblem::Address, "cannot find the host of " + where);
        break;
      case MOSQ_ERR_ERRNO:
        report(MqttProblem::Address, "cannot reach " + where + ": " + strerror(error_number));
        break;
      case MOSQ_ERR_TLS:
        report(MqttProblem::Tls,
               "the TLS handshake with " + where +
                   " failed: its certificate does not match the CA file " +
                   (settings_.ca_file.empty() ? "(system store)" : settings_.ca_file) +
                   " or is not made out to " + settings_.host);
        break;
      default:
        report(MqttProblem::Other, "cannot connect to " + where + ": " + mosquitto_strerror(rc));
    }
  }

  void report(MqttProblem problem, const std::string& text) {
    if (callbacks_.problem) callbacks_.problem(problem, text);
  }

  static void on_connect(mosquitto* mosq, void* self_pointer, int rc) {
    auto* self = static_cast<MosquittoLink*>(self_pointer);
    if (rc != 0) {
      self->refused_.store(true);
      const MqttProblem kind =
          rc == 2 || rc == 4 || rc == 5 ? MqttProblem::Credentials : MqttProblem::Other;
      self->report(kind, "the broker " + self->settings_.address() +
                             " refused the connection: " + mosquitto_connack_string(rc));
      return;
    }
    for (const std::string& topic : self->subscriptions_) {
      mosquitto_subscribe(mosq, nullptr, topic.c_str(), 1);
    }
    self->refused_.store(false);
    self->closed_early_ = 0;
    self->connected_.store(true);
    if (self->callbacks_.connected) self->callbacks_.connected();
  }

  static void on_message(mosquitto*, void* self_pointer, const mosquitto_message* message) {
    auto* self = static_cast<MosquittoLink*>(self_pointer);
    if (!self->callbacks_.message) return;
    std::string payload(static_cast<const char*>(message->payload),
                        static_cast<std::size_t>(std::max(message->payloadlen, 0)));
    self->callbacks_.message(message->topic, payload);
  }

  static void on_publish(mosquitto*, void* self_pointer, int mid) {
    auto* self = static_cast<MosquittoLink*>(self_pointer);
    {
      std::lock_guard lock(self->mutex_);
      if (!self->unacked_.erase(mid)) self->acked_early_.insert(mid);
    }
    self->changed_.notify_all();
  }

  MqttSettings settings_;
  std::vector<std::string> subscriptions_;
  Callbacks callbacks_;
  mosquitto* mosq_ = nullptr;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  std::atomic<bool> connected_{false};
  std::atomic<bool> refused_{false};  // refused since the last successful connection
  int closed_early_ = 0;              // connections closed before any answer, in a row
  bool connected_once_ = false;       // the current attempt reached the broker
  std::set<int> unacked_;             // message ids sent and not yet acknowledged
  std::set<int> acked_early_;         // acknowledged before publish() recorded them
};

}  // namespace

std::unique_ptr<MqttLink> make_mosquitto_link() {
  return std::make_unique<MosquittoLink>();
}

std::string mqtt_library_version() {
  int major = 0, minor = 0, revision = 0;
  mosquitto_lib_version(&major, &minor, &revision);
  return "libmosquitto " + std::to_string(major) + "." + std::to_string(minor) + "." +
         std::to_string(revision);
}

}  // namespace zentrik
