// The resources the built Ostrivane.exe carries, read through the platform's
// own resource and version functions.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <set>
#include <tuple>
#include <vector>

#include "program_version.h"
#include "resources/resource_ids.h"
#include "test_folder.h"

namespace {

constexpr WORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
constexpr WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// The built Ostrivane.exe beside the tests, or the one OSTRIVANE_PROGRAM
// names: a 64-bit test reads the 32-bit edition's resources as data too.
std::wstring ProgramPath() {
  wchar_t path[MAX_PATH];
  if (GetEnvironmentVariableW(L"OSTRIVANE_PROGRAM", path, MAX_PATH)) return path;
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\')) + L"\\Ostrivane.exe";
}

class ProgramResources : public testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(ProgramPath().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << GetLastError();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  // The bytes of one resource, or nothing when it is not there.
  std::vector<BYTE> Bytes(LPCWSTR type, int id, WORD language) const {
    const HRSRC found = FindResourceExW(module_, type, MAKEINTRESOURCEW(id), language);
    if (!found) return {};
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
    return std::vector<BYTE>(data, data + SizeofResource(module_, found));
  }

  HMODULE module_ = nullptr;
};

// Every (type, name, language) the executable carries; all are numbered.
using ResourceEntry = std::tuple<ULONG_PTR, ULONG_PTR, WORD>;

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR list) {
  reinterpret_cast<std::set<ResourceEntry>*>(list)->emplace(
      reinterpret_cast<ULONG_PTR>(type), reinterpret_cast<ULONG_PTR>(name), language);
  return TRUE;
}
BOOL CALLBACK AddNames(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR list) {
  return EnumResourceLanguagesW(module, type, name, AddLanguage, list);
}
BOOL CALLBACK AddTypes(HMODULE module, LPWSTR type, LONG_PTR list) {
  return EnumResourceNamesW(module, type, AddNames, list);
}

TEST_F(ProgramResources, AreExactlyTheIconImageTheIconGroupAndTheVersionRecord) {
  std::set<ResourceEntry> entries;
  EnumResourceTypesW(module_, AddTypes, reinterpret_cast<LONG_PTR>(&entries));
  const std::set<ResourceEntry> expected = {
      {3, kProgramIconImageId, kNeutral},  // RT_ICON
      {14, kProgramIconId, kNeutral},      // RT_GROUP_ICON
      {16, 1, kEnglishUs},   // RT_VERSION; and no RT_MANIFEST (24)
  };
  EXPECT_EQ(entries, expected);
  EXPECT_EQ(FindResourceW(module_, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
}

TEST_F(ProgramResources, IconGroupHasOne48PixelTrueColourEntryForItsImage) {
  const std::vector<BYTE> group = Bytes(RT_GROUP_ICON, kProgramIconId, kNeutral);
  const std::vector<BYTE> expected = {
      0, 0, 1, 0, 1, 0,              // reserved, type icon, one entry
      48, 48, 0, 0, 1, 0, 32, 0,     // 48 x 48, colour count 0, 1 plane, 32 bits
      LOBYTE(OSTRIVANE_ICON_IMAGE_BYTES), HIBYTE(OSTRIVANE_ICON_IMAGE_BYTES), 0, 0,  // 9,640 bytes
      LOBYTE(kProgramIconImageId), HIBYTE(kProgramIconImageId),                 // image 30001
  };
  EXPECT_EQ(group, expected);
}

TEST_F(ProgramResources, IconImageIsAnUncompressed32BitBitmapWithMask) {
  const std::vector<BYTE> image = Bytes(RT_ICON, kProgramIconImageId, kNeutral);
  ASSERT_EQ(image.size(), static_cast<size_t>(OSTRIVANE_ICON_IMAGE_BYTES));  // 9,640
  BITMAPINFOHEADER header;
  std::memcpy(&header, image.data(), sizeof(header));
  EXPECT_EQ(header.biSize, 40u);
  EXPECT_EQ(header.biWidth, 48);
  EXPECT_EQ(header.biHeight, 96);  // colour image and mask together
  EXPECT_EQ(header.biPlanes, 1);
  EXPECT_EQ(header.biBitCount, 32);
  EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(header.biSizeImage, 0u);
  EXPECT_EQ(header.biXPelsPerMeter, 0);
  EXPECT_EQ(header.biYPelsPerMeter, 0);
  EXPECT_EQ(header.biClrUsed, 0u);
  EXPECT_EQ(header.biClrImportant, 0u);

  // The picture the build was configured with, byte for byte.
  EXPECT_TRUE(std::string(image.begin(), image.end()) == ConfiguredIconImage())
      << "the embedded icon is not the configured image";
}

// The version record, walked as the platform lays it out: each node is a
// length, a value length, a type, a key, then its value and its children.
struct VersionNode {
  std::wstring key;
  std::wstring text;  // for string values
  std::vector<BYTE> value;
  std::vector<VersionNode> children;
};

size_t Align4(size_t offset) { return (offset + 3) & ~size_t{3}; }

VersionNode ParseVersionNode(const BYTE* data, size_t begin) {
  WORD length, value_length, type;
  std::memcpy(&length, data + begin, 2);
  std::memcpy(&value_length, data + begin + 2, 2);
  std::memcpy(&type, data + begin + 4, 2);
  VersionNode node;
  size_t offset = begin + 6;
  for (wchar_t c; std::memcpy(&c, data + offset, 2), offset += 2, c != 0;) node.key += c;
  offset = Align4(offset);
  const size_t value_bytes = type == 1 ? value_length * 2 : value_length;  // text counts WCHARs
  node.value.assign(data + offset, data + offset + value_bytes);
  if (type == 1) {
    for (size_t i = 0; i + 1 < value_bytes; i += 2) {
      wchar_t c;
      std::memcpy(&c, data + offset + i, 2);
      if (c == 0) break;
      node.text += c;
    }
  }
  offset = Align4(offset + value_bytes);
  while (offset < begin + length) {
    node.children.push_back(ParseVersionNode(data, offset));
    WORD child_length;
    std::memcpy(&child_length, data + offset, 2);
    offset = Align4(offset + child_length);
  }
  return node;
}

TEST_F(ProgramResources, VersionRecordHoldsTheFixedFieldsFiveStringsAndOneTranslation) {
  const std::wstring path = ProgramPath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixed_size = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixed_size));
  constexpr WORD kVersion[] = {OSTRIVANE_VERSION_NUMBERS};  // 1,0,0,0 for 1.0.0
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(kVersion[1], kVersion[0]));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(kVersion[3], kVersion[2]));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileFlagsMask, 0u);
  EXPECT_EQ(fixed->dwFileFlags, 0u);
  EXPECT_EQ(fixed->dwFileOS, 0x4u);  // 32-bit Windows, not the NT value
  EXPECT_EQ(fixed->dwFileType, 1u);  // application
  EXPECT_EQ(fixed->dwFileSubtype, 0u);
  EXPECT_EQ(fixed->dwFileDateMS, 0u);
  EXPECT_EQ(fixed->dwFileDateLS, 0u);

  wchar_t* text = nullptr;
  UINT text_length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\OriginalFilename",
                             reinterpret_cast<void**>(&text), &text_length));
  EXPECT_STREQ(text, L"Ostrivane.exe");

  DWORD* translation = nullptr;
  UINT translation_size = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &translation_size));
  ASSERT_EQ(translation_size, 4u);  // one pair
  EXPECT_EQ(LOWORD(*translation), 0x0409);
  EXPECT_EQ(HIWORD(*translation), 0x04B0);

  // The string table: exactly these five, in this order, and nothing else.
  const std::vector<BYTE> record = Bytes(RT_VERSION, 1, kEnglishUs);
  ASSERT_FALSE(record.empty());
  const VersionNode root = ParseVersionNode(record.data(), 0);
  EXPECT_EQ(root.key, L"VS_VERSION_INFO");
  const VersionNode* table = nullptr;
  for (const VersionNode& child : root.children) {
    if (child.key == L"StringFileInfo") {
      ASSERT_EQ(child.children.size(), 1u);
      table = &child.children[0];
    }
  }
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->key, L"040904B0");
  std::vector<std::pair<std::wstring, std::wstring>> strings;
  for (const VersionNode& entry : table->children) strings.emplace_back(entry.key, entry.text);
  const std::vector<std::pair<std::wstring, std::wstring>> expected = {
      {L"ProductName", L"Ostrivane"},
      {L"FileVersion", L"" OSTRIVANE_VERSION_TEXT},  // "1.00"
      {L"ProductVersion", L"" OSTRIVANE_VERSION_TEXT},
      {L"InternalName", L"Ostrivane"},
      {L"OriginalFilename", L"Ostrivane.exe"},
  };
  EXPECT_EQ(strings, expected);
}

}  // namespace
