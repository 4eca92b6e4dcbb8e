#include "app/error_report.h"

#include "resources/texts.h"
#include "win32/error.h"

void ReportStartupError(const std::wstring& step, DWORD code) noexcept {
  try {
    std::wstring cause = SystemMessage(code);
    if (cause.empty()) cause = texts::kErrorUnknownCause;
    const std::wstring report = std::wstring(texts::kErrorHeadline) + L"\n\n" +
                                texts::kErrorStepLabel + step + L"\n" + texts::kErrorCauseLabel +
                                cause + L" (" + texts::kErrorCodeLabel + HexCode(code) + L")";
    MessageBoxW(nullptr, report.c_str(), texts::kErrorTitle, MB_OK | MB_ICONERROR);
  } catch (...) {
    ReportOutOfMemory();  // only composing the strings can fail
  }
}

void ReportOutOfMemory() noexcept {
  MessageBoxW(nullptr, texts::kErrorOutOfMemoryReport, texts::kErrorTitle, MB_OK | MB_ICONERROR);
}
