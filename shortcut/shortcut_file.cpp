#include "shortcut/shortcut_file.h"

#include <windows.h>
#include <shlobj.h>

#include "resources/texts.h"
#include "shortcut/replace_in_one_step.h"
#include "win32/error.h"

namespace {

// Where Windows' shell reads the values that the ANSI code page cannot hold,
// each in UTF-7.
constexpr char kUnicodeSection[] = "[InternetShortcut.W]";

std::string Encode(std::wstring_view text, UINT code_page) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size =
      WideCharToMultiByte(code_page, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size == 0) ThrowLastError(texts::kStepPrepareShortcut, L"WideCharToMultiByte");
  std::string bytes(size, '\0');
  WideCharToMultiByte(code_page, 0, text.data(), length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

// Whether `bytes` in `code_page` read back as `text`: no character was
// replaced by the default one, nor by a look-alike.
bool ReadsBackAs(const std::string& bytes, UINT code_page, std::wstring_view text) {
  const int size = static_cast<int>(bytes.size());
  std::wstring decoded(MultiByteToWideChar(code_page, 0, bytes.data(), size, nullptr, 0), L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), size, decoded.data(),
                      static_cast<int>(decoded.size()));
  return decoded == text;
}

}  // namespace

std::vector<std::wstring> ShortcutLines(std::wstring_view host, std::wstring_view description) {
  const std::wstring site = L"https://" + std::wstring(host);
  return {
      L"[InternetShortcut]",
      L"URL=" + site,
      L"Description=" + std::wstring(description),
      L"IconFile=" + site + L"/favicon.ico",
      L"IconIndex=1",
  };
}

std::string ShortcutFileBytes(std::wstring_view host, UINT code_page, std::wstring_view description) {
  std::string bytes;
  std::string unicode_values;
  for (const std::wstring& line : ShortcutLines(host, description)) {
    const std::string encoded = Encode(line, code_page);
    bytes += encoded + "\r\n";
    if (!ReadsBackAs(encoded, code_page, line)) {
      // The key is ASCII; only the value needs UTF-7.
      const size_t value = line.find(L'=') + 1;
      unicode_values += Encode(line.substr(0, value), code_page) +
                        Encode(line.substr(value), CP_UTF7) + "\r\n";
    }
  }
  if (!unicode_values.empty()) bytes += kUnicodeSection + std::string("\r\n") + unicode_values;
  return bytes;
}

std::wstring ShortcutPath(std::wstring_view folder, std::wstring_view host) {
  std::wstring path(folder);
  // A folder at a drive's root, "E:\", already ends in one.
  if (path.empty() || (path.back() != L'\\' && path.back() != L'/')) path += L'\\';
  return path + std::wstring(host) + L".url";
}

std::wstring WriteShortcutFile(std::wstring_view folder, std::wstring_view host) {
  const std::wstring target = ShortcutPath(folder, host);
  const Replaced replaced = ReplaceInOneStep(target, ShortcutFileBytes(host, GetACP()));
  // Lets the desktop show the new shortcut and its icon at once.
  if (replaced != Replaced::kUnchanged) {
    SHChangeNotify(replaced == Replaced::kReplaced ? SHCNE_UPDATEITEM : SHCNE_CREATE, SHCNF_PATHW,
                   target.c_str(), nullptr);
  }
  return target;
}
