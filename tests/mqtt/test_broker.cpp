#include "mqtt/test_broker.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <thread>

namespace zentrik::testing {
namespace {

bool run(std::vector<std::string> args) {
  ProcessOptions options;
  options.args = std::move(args);
  options.limit = std::chrono::milliseconds(20000);
  return run_process(options).exit_code == 0;
}

bool accepts(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

}  // namespace

DeadBroker::DeadBroker() {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(listener_, 0);
  socklen_t size = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
  port_ = ntohs(address.sin_port);
  for (int i = 0; i < 3; ++i) {  // more than the queue holds
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    fillers_.push_back(fd);
  }
}

DeadBroker::~DeadBroker() {
  for (int fd : fillers_) close(fd);
  close(listener_);
}

TestBroker::TestBroker(BrokerOptions options) : options_(std::move(options)) {
  char pattern[] = "/tmp/zentrik-broker-XXXXXX";
  folder_ = mkdtemp(pattern);
  port_ = free_local_port();
  std::ofstream conf(folder_ / "mosquitto.conf");
  conf << "user root\npersistence false\nlog_dest stderr\nlog_type error\n";
  conf << "listener " << port_ << " 127.0.0.1\n";
  if (options_.username.empty()) {
    conf << "allow_anonymous true\n";
  } else {
    run({"/usr/bin/mosquitto_passwd", "-b", "-c", (folder_ / "passwords").string(),
         options_.username, options_.password});
    conf << "allow_anonymous false\npassword_file " << (folder_ / "passwords").string() << "\n";
  }
  if (options_.tls) {
    make_certificates();
    conf << "cafile " << ca_file() << "\ncertfile " << (folder_ / "server.crt").string()
         << "\nkeyfile " << (folder_ / "server.key").string() << "\n";
  }
}

TestBroker::~TestBroker() {
  stop();
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

void TestBroker::make_certificates() {
  const std::string f = folder_.string() + "/";
  const std::vector<std::string> ec = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                       "-nodes"};
  auto request = [&](std::vector<std::string> args) {
    std::vector<std::string> all = {"/usr/bin/openssl", "req"};
    all.insert(all.end(), ec.begin(), ec.end());
    all.insert(all.end(), args.begin(), args.end());
    return run(all);
  };
  request({"-x509", "-days", "2", "-keyout", f + "ca.key", "-out", f + "ca.crt", "-subj",
           "/CN=zentrik test CA"});
  request({"-x509", "-days", "2", "-keyout", f + "other-ca.key", "-out", f + "other-ca.crt",
           "-subj", "/CN=zentrik other CA"});
  request({"-keyout", f + "server.key", "-out", f + "server.csr", "-subj", "/CN=127.0.0.1"});
  std::ofstream(f + "san.cnf") << "subjectAltName=IP:127.0.0.1\n";
  run({"/usr/bin/openssl", "x509", "-req", "-in", f + "server.csr", "-CA", f + "ca.crt", "-CAkey",
       f + "ca.key", "-CAcreateserial", "-days", "2", "-out", f + "server.crt", "-extfile",
       f + "san.cnf"});
}

bool TestBroker::start() {
  stop();
  ProcessOptions options;
  options.args = {"/usr/sbin/mosquitto", "-c", (folder_ / "mosquitto.conf").string()};
  options.limit = std::chrono::milliseconds(120000);
  process_ = std::make_unique<ChildProcess>(options);
  for (int i = 0; i < 500; ++i) {
    if (accepts(port_)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

void TestBroker::stop() {
  if (!process_) return;
  process_->send_signal(SIGTERM);
  process_->finish();
  process_.reset();
}

MqttSettings TestBroker::settings(const std::string& client_id) const {
  MqttSettings s;
  s.host = "127.0.0.1";
  s.port = port_;
  s.client_id = client_id;
  s.username = options_.username;
  s.password = options_.password;
  s.tls = options_.tls;
  if (options_.tls) s.ca_file = ca_file();
  s.retry_first_ms = 50;
  s.retry_max_ms = 400;
  return s;
}

TestSubscriber::TestSubscriber(const MqttSettings& settings, std::vector<std::string> topics)
    : link_(make_mosquitto_link()) {
  MqttLink::Callbacks callbacks;
  callbacks.message = [this](const std::string& topic, const std::string& payload) {
    std::lock_guard lock(mutex_);
    messages_.push_back({topic, payload});
  };
  std::string error;
  topics.push_back("zentrik-test/probe/" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
  link_->start(settings, {}, std::move(topics), callbacks, &error);
}

TestSubscriber::~TestSubscriber() {
  link_->stop();
}

bool TestSubscriber::ready() {
  const std::string probe =
      "zentrik-test/probe/" + std::to_string(reinterpret_cast<std::uintptr_t>(this));
  return wait([&](const std::vector<Received>& all) {
    for (const Received& r : all) {
      if (r.topic == probe) return true;
    }
    link_->publish(probe, "probe", false);
    return false;
  });
}

bool TestSubscriber::publish(const std::string& topic, const std::string& payload) {
  return link_->publish(topic, payload, false);
}

std::vector<Received> TestSubscriber::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<Received> TestSubscriber::on(const std::string& topic) const {
  std::vector<Received> out;
  for (const Received& r : messages()) {
    if (r.topic == topic) out.push_back(r);
  }
  return out;
}

bool TestSubscriber::wait(const std::function<bool(const std::vector<Received>&)>& done,
                          std::chrono::milliseconds limit) const {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (done(messages())) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done(messages());
}

}  // namespace zentrik::testing
