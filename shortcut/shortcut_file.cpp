#include "shortcut/shortcut_file.h"

#include <shlobj.h>
#include <windows.h>

#include "resources/texts.h"
#include "shortcut/file_names.h"
#include "shortcut/replace_in_one_step.h"
#include "win32/code_page.h"
#include "win32/error.h"
#include "win32/path.h"

namespace {

// Where Windows' shell reads the values that the ANSI code page cannot hold,
// each in UTF-7.
constexpr char kUnicodeSection[] = "[InternetShortcut.W]";

std::string Encode(std::wstring_view text, UINT code_page) {
  std::optional<std::string> bytes = ToCodePage(text, code_page);
  if (!bytes) ThrowLastError(texts::kStepPrepareShortcut, L"WideCharToMultiByte");
  return *std::move(bytes);
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
    // A character the code page lacks became '?': the line does not read back.
    if (FromCodePage(encoded, code_page) != line) {
      // The key is ASCII; only the value needs UTF-7.
      const size_t value = line.find(L'=') + 1;
      unicode_values +=
          Encode(line.substr(0, value), code_page) + Encode(line.substr(value), CP_UTF7) + "\r\n";
    }
  }
  if (!unicode_values.empty()) bytes += kUnicodeSection + std::string("\r\n") + unicode_values;
  return bytes;
}

std::wstring ShortcutPath(std::wstring_view folder, std::wstring_view host) {
  return JoinPath(folder, std::wstring(host) + kShortcutExtension);
}

std::wstring WriteShortcutFile(std::wstring_view folder, const HostName& host,
                               const SystemFunctions& system) {
  const std::wstring target = ShortcutPath(folder, host.unicode);
  const Replaced replaced = ReplaceInOneStep(target, ShortcutFileBytes(host.ascii, GetACP()), system);
  // Lets the desktop show the new shortcut and its icon at once.
  if (replaced != Replaced::kUnchanged) {
    SHChangeNotify(replaced == Replaced::kReplaced ? SHCNE_UPDATEITEM : SHCNE_CREATE, SHCNF_PATHW,
                   target.c_str(), nullptr);
  }
  return target;
}
