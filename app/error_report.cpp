#include "app/error_report.h"

#include <cwchar>

#include "resources/texts.h"
#include "win32/error.h"

void ReportStartupError(const std::wstring& step, DWORD code) {
  std::wstring cause = SystemMessage(code);
  if (cause.empty()) cause = texts::kErrorUnknownCause;
  wchar_t code_text[16];
  std::swprintf(code_text, 16, L"0x%08lX", static_cast<unsigned long>(code));

  const std::wstring report = std::wstring(texts::kErrorHeadline) + L"\n\n" +
                              texts::kErrorStepLabel + step + L"\n" + texts::kErrorCauseLabel +
                              cause + L" (" + texts::kErrorCodeLabel + code_text + L")";

  MessageBoxW(nullptr, report.c_str(), texts::kErrorTitle, MB_OK | MB_ICONERROR);
}
