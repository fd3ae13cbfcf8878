// The in-memory registry: keys per root with their rights and values, and the open-key table.
#include "zentrik/platform/registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace zentrik {
namespace {

inline constexpr Long kErrorInvalidHandle = 6;
inline constexpr Long kErrorInvalidParameter = 87;

struct Value {
  Long type = REG_SZ;
  std::string bytes;
};

struct Key {
  Long rights = KEY_ALL_ACCESS;
  std::map<std::string, Value> values;  // by lower-case name
};

struct OpenKey {
  Long root;
  std::string path;  // lower case, no leading or trailing backslash
  Long granted;
};

struct Store {
  std::mutex mutex;
  std::map<std::pair<Long, std::string>, Key> keys;
  std::map<Long, OpenKey> open;
  Long nextHandle = 1;
};

Store& store() {
  static Store* instance = new Store();
  return *instance;
}

bool is_root(Long key) {
  return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
}

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Lower case, backslash-separated, without empty parts ("A\\B\" is "a\b").
std::string normalise(const std::string& path) {
  std::string out;
  std::string part;
  auto flush = [&] {
    if (part.empty()) return;
    if (!out.empty()) out += '\\';
    out += part;
    part.clear();
  };
  for (char c : lower(path)) {
    if (c == '\\') {
      flush();
    } else {
      part += c;
    }
  }
  flush();
  return out;
}

std::string join(const std::string& base, const std::string& sub) {
  if (base.empty()) return sub;
  if (sub.empty()) return base;
  return base + "\\" + sub;
}

// Under the lock: the key, created with every missing ancestor.
Key& make_key(Store& s, Long root, const std::string& path) {
  const std::string normal = normalise(path);
  for (std::size_t slash = normal.find('\\'); slash != std::string::npos;
       slash = normal.find('\\', slash + 1)) {
    s.keys.try_emplace({root, normal.substr(0, slash)});
  }
  return s.keys[{root, normal}];
}

void set_value(Long root, const std::string& key, const std::string& name, Value value) {
  Store& s = store();
  std::lock_guard lock(s.mutex);
  make_key(s, root, key).values[lower(name)] = std::move(value);
}

}  // namespace

Long RegOpenKeyExA(Long root, const std::string& subKey, Long /*options*/, Long samDesired,
                   Long* result) {
  if (result == nullptr) return kErrorInvalidParameter;
  *result = 0;
  Store& s = store();
  std::lock_guard lock(s.mutex);
  Long rootKey = root;
  std::string path = normalise(subKey);
  if (!is_root(root)) {
    const auto parent = s.open.find(root);
    if (parent == s.open.end()) return kErrorInvalidHandle;
    rootKey = parent->second.root;
    path = join(parent->second.path, path);
  }
  Long rights = KEY_ALL_ACCESS;  // the roots themselves grant everything
  if (!path.empty()) {
    const auto key = s.keys.find({rootKey, path});
    if (key == s.keys.end()) return ERROR_FILE_NOT_FOUND;
    rights = key->second.rights;
  }
  if ((samDesired & ~rights) != 0) return ERROR_ACCESS_DENIED;
  const Long handle = s.nextHandle++;
  s.open.emplace(handle, OpenKey{rootKey, path, samDesired});
  *result = handle;
  return ERROR_SUCCESS;
}

Long RegQueryValueExA(Long key, const std::string& valueName, Long* /*reserved*/, Long* type,
                      Byte* data, Long* dataSize) {
  if (data != nullptr && dataSize == nullptr) return kErrorInvalidParameter;
  Store& s = store();
  std::lock_guard lock(s.mutex);
  Long rootKey = key;
  std::string path;
  if (!is_root(key)) {
    const auto open = s.open.find(key);
    if (open == s.open.end()) return kErrorInvalidHandle;
    if ((open->second.granted & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
    rootKey = open->second.root;
    path = open->second.path;
  }
  const auto found = s.keys.find({rootKey, path});
  if (found == s.keys.end()) return ERROR_FILE_NOT_FOUND;  // removed by registry_clear
  const auto value = found->second.values.find(lower(valueName));
  if (value == found->second.values.end()) return ERROR_FILE_NOT_FOUND;

  if (type != nullptr) *type = value->second.type;
  const std::string& bytes = value->second.bytes;
  const auto size = static_cast<Long>(bytes.size());
  if (data == nullptr) {
    if (dataSize != nullptr) *dataSize = size;
    return ERROR_SUCCESS;
  }
  const Long capacity = *dataSize;
  *dataSize = size;
  if (capacity < size) return ERROR_MORE_DATA;
  std::memcpy(data, bytes.data(), bytes.size());
  return ERROR_SUCCESS;
}

Long RegCloseKey(Long key) {
  if (is_root(key)) return ERROR_SUCCESS;
  Store& s = store();
  std::lock_guard lock(s.mutex);
  return s.open.erase(key) == 1 ? ERROR_SUCCESS : kErrorInvalidHandle;
}

void registry_set_string(Long root, const std::string& key, const std::string& name,
                         const std::string& value) {
  std::string bytes = value;
  bytes.push_back('\0');  // string values are stored with their terminating NUL
  set_value(root, key, name, Value{REG_SZ, std::move(bytes)});
}

void registry_set_dword(Long root, const std::string& key, const std::string& name, Long value) {
  const auto bits = static_cast<std::uint32_t>(value);
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i)
    bytes[static_cast<std::size_t>(i)] = static_cast<char>(bits >> (8 * i));
  set_value(root, key, name, Value{REG_DWORD, std::move(bytes)});
}

void registry_set_binary(Long root, const std::string& key, const std::string& name,
                         const std::string& bytes) {
  set_value(root, key, name, Value{REG_BINARY, bytes});
}

void registry_set_rights(Long root, const std::string& key, Long rights) {
  Store& s = store();
  std::lock_guard lock(s.mutex);
  make_key(s, root, key).rights = rights;
}

void registry_clear() {
  Store& s = store();
  std::lock_guard lock(s.mutex);
  s.keys.clear();
  s.open.clear();
}

}  // namespace zentrik
