#include "app/error_report.h"

#include <windows.h>

#include "resources/texts.h"
#include "shortcut/failure_cause.h"

namespace {

struct Explanation {
  const wchar_t* cause;
  const wchar_t* advice;
};

// The program's own words for a cause it can tell apart; nulls for others.
Explanation Explain(Cause cause) {
  switch (cause) {
    case Cause::kReadOnly:
      return {texts::kCauseReadOnly, texts::kAdviceReadOnly};
    case Cause::kFolderInTheWay:
      return {texts::kCauseFolderInTheWay, texts::kAdviceFolderInTheWay};
    case Cause::kInUse:
      return {texts::kCauseInUse, texts::kAdviceInUse};
    case Cause::kNotPermitted:
      return {texts::kCauseNotPermitted, texts::kAdviceNotPermitted};
    case Cause::kDiskFull:
      return {texts::kCauseDiskFull, texts::kAdviceDiskFull};
    case Cause::kNotWritable:
      return {texts::kCauseNotWritable, texts::kAdviceNotWritable};
    case Cause::kFolderNotFound:
      return {texts::kCauseFolderNotFound, texts::kAdviceFolderNotFound};
    case Cause::kFileInTheWay:
      return {texts::kCauseFileInTheWay, texts::kAdviceFileInTheWay};
    case Cause::kPathTooLong:
      return {texts::kCausePathTooLong, texts::kAdvicePathTooLong};
    case Cause::kBlockedBySecuritySoftware:
      return {texts::kCauseBlockedBySecuritySoftware, texts::kAdviceBlockedBySecuritySoftware};
    case Cause::kOther:
      break;
  }
  return {nullptr, nullptr};
}

}  // namespace

std::wstring ErrorReportText(const Win32Error& error) {
  const Explanation known = Explain(error.cause());
  std::wstring cause = known.cause ? known.cause : SystemMessage(error.code());
  if (cause.empty()) cause = texts::kErrorUnknownCause;
  std::wstring report = error.after_install() ? texts::kErrorHeadlineAfterInstall : texts::kErrorHeadline;
  report += std::wstring(L"\n\n") + texts::kErrorStepLabel + error.step();
  if (!error.subject().empty()) report += L" (" + error.subject() + L")";
  report += std::wstring(L"\n") + texts::kErrorCauseLabel + cause + L" (" + texts::kErrorCodeLabel +
            HexCode(error.code()) + L")";
  if (known.advice) report += std::wstring(L"\n\n") + known.advice;
  return report;
}

void ReportStartupError(const Win32Error& error) noexcept {
  try {
    MessageBoxW(nullptr, ErrorReportText(error).c_str(), texts::kErrorTitle, MB_OK | MB_ICONERROR);
  } catch (...) {
    ReportOutOfMemory();  // only composing the strings can fail
  }
}

void ReportOutOfMemory() noexcept {
  MessageBoxW(nullptr, texts::kErrorOutOfMemoryReport, texts::kErrorTitle, MB_OK | MB_ICONERROR);
}
