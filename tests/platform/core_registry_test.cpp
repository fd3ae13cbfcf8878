// The in-memory registry: opening with rights, queries of each value type, buffer sizes.
#include <gtest/gtest.h>

#include <cstring>

#include "zentrik/platform/registry.h"

namespace zentrik {
namespace {

constexpr const char* kMsinfo = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { registry_clear(); }
  void TearDown() override { registry_clear(); }
  Long open(const std::string& key, Long rights = KEY_ALL_ACCESS, Long root = HKEY_LOCAL_MACHINE) {
    Long handle = -1;
    last = RegOpenKeyExA(root, key, 0, rights, &handle);
    return handle;
  }
  Long last = 0;
};

TEST_F(RegistryTest, StringValuesCountTheirTerminatingNul) {
  registry_set_string(HKEY_LOCAL_MACHINE, kMsinfo, "PATH", "C:\\msinfo32.exe");
  const Long key = open("software\\MICROSOFT\\shared tools\\msinfo");  // case-insensitive
  ASSERT_EQ(last, ERROR_SUCCESS);
  EXPECT_GT(key, 0);
  Byte buffer[1024];
  std::memset(buffer, 0, sizeof buffer);
  Long type = 0;
  Long size = 1024;
  EXPECT_EQ(RegQueryValueExA(key, "path", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 16);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)), "C:\\msinfo32.exe");
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_NE(RegCloseKey(key), ERROR_SUCCESS);  // already closed
}

TEST_F(RegistryTest, MoreDataWhenTheBufferIsTooSmallAndSizeOnlyQueries) {
  registry_set_string(HKEY_LOCAL_MACHINE, "A", "v", "12345");
  const Long key = open("A");
  Byte buffer[8] = {};
  Long size = 5;  // room for the characters but not the NUL
  Long type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 6);
  size = 6;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  Long needed = 0;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &needed), ERROR_SUCCESS);
  EXPECT_EQ(needed, 6);
  RegCloseKey(key);
}

TEST_F(RegistryTest, DwordAndBinaryValues) {
  registry_set_dword(HKEY_CURRENT_USER, "K", "n", 2561);
  registry_set_binary(HKEY_CURRENT_USER, "K", "b", std::string("\x01\x00\x02", 3));
  const Long key = open("K", KEY_READ, HKEY_CURRENT_USER);
  ASSERT_EQ(last, ERROR_SUCCESS);
  Byte buffer[16] = {};
  Long type = 0;
  Long size = 16;
  ASSERT_EQ(RegQueryValueExA(key, "N", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(size, 4);
  EXPECT_EQ(buffer[0] | buffer[1] << 8 | buffer[2] << 16 | buffer[3] << 24, 2561);
  size = 16;
  ASSERT_EQ(RegQueryValueExA(key, "b", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(size, 3);
  EXPECT_EQ(buffer[2], 2);
  RegCloseKey(key);
}

TEST_F(RegistryTest, MissingKeysAndValues) {
  registry_set_string(HKEY_LOCAL_MACHINE, kMsinfo, "PATH", "x");
  EXPECT_EQ(open("SOFTWARE\\Nothing"), 0);
  EXPECT_EQ(last, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(open(kMsinfo, KEY_ALL_ACCESS, HKEY_CURRENT_USER), 0);  // other root
  EXPECT_EQ(last, ERROR_FILE_NOT_FOUND);
  const Long parent = open("SOFTWARE\\Microsoft");  // ancestors exist
  EXPECT_EQ(last, ERROR_SUCCESS);
  Byte buffer[4];
  Long size = 4;
  EXPECT_EQ(RegQueryValueExA(parent, "PATH", nullptr, nullptr, buffer, &size),
            ERROR_FILE_NOT_FOUND);
  Long child = 0;
  EXPECT_EQ(RegOpenKeyExA(parent, "Shared Tools\\MSINFO", 0, KEY_READ, &child), ERROR_SUCCESS);
  size = 4;
  EXPECT_EQ(RegQueryValueExA(child, "PATH", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
  RegCloseKey(child);
  RegCloseKey(parent);
}

TEST_F(RegistryTest, RightsAreCheckedOnOpen) {
  registry_set_string(HKEY_LOCAL_MACHINE, kMsinfo, "PATH", "x");
  registry_set_rights(HKEY_LOCAL_MACHINE, kMsinfo, KEY_READ);
  EXPECT_EQ(open(kMsinfo, KEY_ALL_ACCESS), 0);
  EXPECT_EQ(last, ERROR_ACCESS_DENIED);
  EXPECT_NE(open(kMsinfo, KEY_READ), 0);
  EXPECT_EQ(last, ERROR_SUCCESS);
  EXPECT_NE(open(kMsinfo, KEY_QUERY_VALUE), 0);
  EXPECT_EQ(last, ERROR_SUCCESS);
}

TEST_F(RegistryTest, AKeyOpenedWithoutQueryRightCannotBeRead) {
  registry_set_string(HKEY_LOCAL_MACHINE, "A", "v", "1");
  const Long key = open("A", 0x0002 /* set value only */);
  ASSERT_EQ(last, ERROR_SUCCESS);
  Byte buffer[4];
  Long size = 4;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, buffer, &size), ERROR_ACCESS_DENIED);
  RegCloseKey(key);
}

TEST_F(RegistryTest, HandlesAreDistinctSmallNumbersAndInvalidAfterClear) {
  registry_set_string(HKEY_LOCAL_MACHINE, "A", "v", "1");
  const Long a = open("A");
  const Long b = open("A");
  EXPECT_GT(a, 0);
  EXPECT_GT(b, 0);
  EXPECT_NE(a, b);
  EXPECT_LT(b, 1 << 20);
  registry_clear();
  Byte buffer[4];
  Long size = 4;
  EXPECT_NE(RegQueryValueExA(a, "v", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(open("A"), 0);
}

}  // namespace
}  // namespace zentrik
