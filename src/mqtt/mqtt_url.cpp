#include <unistd.h>

#include <charconv>

#include "zentrik/events/ZoneNames.h"
#include "zentrik/mqtt/MqttSettings.h"

namespace zentrik {
namespace {

bool percent_decode(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    int value = 0;
    if (i + 2 >= text.size()) return false;
    auto [end, ec] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
    if (ec != std::errc() || end != text.data() + i + 3) return false;
    out += static_cast<char>(value);
    i += 2;
  }
  return true;
}

bool fail(std::string* error, std::string_view url, const std::string& why) {
  *error = "the MQTT address " + std::string(url) + " " + why;
  return false;
}

}  // namespace

bool is_topic_prefix(std::string_view prefix) {
  if (prefix.empty() || prefix.front() == '/' || prefix.back() == '/') return false;
  if (prefix.find("//") != std::string_view::npos) return false;
  return prefix.find_first_of("+#") == std::string_view::npos;
}

std::string host_name_word() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
  std::string name;
  for (const char* c = host; *c && name.size() < 64; ++c) {
    const bool ok = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') ||
                    (*c >= '0' && *c <= '9') || *c == '_' || *c == '-';
    name += ok ? *c : '-';
  }
  return name.empty() ? "zentrik" : name;
}

std::string default_client_id() {
  return "zentrik-" + host_name_word() + "-" + std::to_string(static_cast<long>(getpid()));
}

bool parse_mqtt_url(std::string_view url, MqttSettings& s, std::string* error) {
  std::string_view rest = url;
  if (rest.starts_with("mqtt://")) {
    s.tls = false;
    rest.remove_prefix(7);
  } else if (rest.starts_with("mqtts://")) {
    s.tls = true;
    rest.remove_prefix(8);
  } else {
    return fail(error, url, "does not start with mqtt:// or mqtts://");
  }
  if (auto q = rest.find('?'); q != std::string_view::npos) {
    std::string_view query = rest.substr(q + 1);
    rest = rest.substr(0, q);
    if (!query.starts_with("client_id=") || query.size() == 10) {
      return fail(error, url, "has an unknown query (only client_id=ID)");
    }
    s.client_id = std::string(query.substr(10));
    if (!is_topic_word(s.client_id)) {
      return fail(error, url, "has a client id that is not 1 to 64 letters, digits, '_' or '-'");
    }
  }
  if (auto slash = rest.find('/'); slash != std::string_view::npos) {
    std::string_view prefix = rest.substr(slash + 1);
    rest = rest.substr(0, slash);
    if (!prefix.empty()) {
      if (!is_topic_prefix(prefix)) return fail(error, url, "has a topic prefix with + # or //");
      s.topic_prefix = std::string(prefix);
    }
  }
  if (auto at = rest.rfind('@'); at != std::string_view::npos) {
    std::string_view user = rest.substr(0, at);
    rest = rest.substr(at + 1);
    std::string_view password;
    if (auto colon = user.find(':'); colon != std::string_view::npos) {
      password = user.substr(colon + 1);
      user = user.substr(0, colon);
    }
    if (!percent_decode(user, s.username) || !percent_decode(password, s.password)) {
      return fail(error, url, "has a broken % escape");
    }
  }
  s.port = s.tls ? 8883 : 1883;
  if (auto colon = rest.rfind(':'); colon != std::string_view::npos) {
    std::string_view port = rest.substr(colon + 1);
    rest = rest.substr(0, colon);
    auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), s.port);
    if (ec != std::errc() || end != port.data() + port.size() || s.port < 1 || s.port > 65535) {
      return fail(error, url, "has a port that is not 1 to 65535");
    }
  }
  if (rest.empty()) return fail(error, url, "names no host");
  s.host = std::string(rest);
  return true;
}

}  // namespace zentrik
