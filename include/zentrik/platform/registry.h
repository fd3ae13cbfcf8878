// The registry: an in-memory store of keys and values under predefined roots, read through the
// platform calls the About box uses. Hosts and tests fill it; keys can refuse some access rights.
#pragma once

#include <string>

#include "zentrik/platform/automation.h"

namespace zentrik {

inline constexpr Long HKEY_CLASSES_ROOT = static_cast<Long>(0x80000000u);
inline constexpr Long HKEY_CURRENT_USER = static_cast<Long>(0x80000001u);
inline constexpr Long HKEY_LOCAL_MACHINE = static_cast<Long>(0x80000002u);
inline constexpr Long KEY_QUERY_VALUE = 0x0001;
inline constexpr Long KEY_READ = 0x20019;
inline constexpr Long KEY_ALL_ACCESS = 0xF003F;
inline constexpr Long REG_SZ = 1;
inline constexpr Long REG_BINARY = 3;
inline constexpr Long REG_DWORD = 4;
inline constexpr Long ERROR_SUCCESS = 0;
inline constexpr Long ERROR_FILE_NOT_FOUND = 2;
inline constexpr Long ERROR_ACCESS_DENIED = 5;
inline constexpr Long ERROR_MORE_DATA = 234;

// Opens `subKey` under `root` with the rights asked for; ERROR_ACCESS_DENIED when the key does
// not grant them all, ERROR_FILE_NOT_FOUND when it does not exist.
Long RegOpenKeyExA(Long root, const std::string& subKey, Long options, Long samDesired,
                   Long* result);
// Reads a value: its type, and its bytes into `data` (capacity in *dataSize, which receives
// the size; REG_SZ includes its terminating NUL). ERROR_MORE_DATA when it does not fit.
Long RegQueryValueExA(Long key, const std::string& valueName, Long* reserved, Long* type,
                      Byte* data, Long* dataSize);
Long RegCloseKey(Long key);

// Filling the store. Key paths compare without regard to case, as the platform's do.
void registry_set_string(Long root, const std::string& key, const std::string& name,
                         const std::string& value);
void registry_set_dword(Long root, const std::string& key, const std::string& name, Long value);
void registry_set_binary(Long root, const std::string& key, const std::string& name,
                         const std::string& bytes);
// The rights a key grants (KEY_ALL_ACCESS by default).
void registry_set_rights(Long root, const std::string& key, Long rights);
void registry_clear();

}  // namespace zentrik
