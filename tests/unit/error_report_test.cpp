#include "app/error_report.h"

#include <gtest/gtest.h>

#include "shortcut/failure_cause.h"
#include "win32/code_page.h"

namespace {

const std::wstring kShortcut = L"C:\\Users\\민수\\Desktop\\www.trelvik.example.url";

TEST(ErrorReport, ReadOnlyShortcutInFull) {
  EXPECT_EQ(ErrorReportText(Win32Error(L"바탕화면에 바로가기 저장", {}, kShortcut, ERROR_FILE_READ_ONLY,
                                       Cause::kReadOnly)),
            L"사이트 바로가기를 설치하지 못했습니다.\n\n"
            L"실패한 단계: 바탕화면에 바로가기 저장 (" +
                kShortcut +
                L")\n"
                L"원인: 기존 바로가기 파일이 읽기 전용으로 설정되어 있습니다 (오류 코드 0x00001779)\n\n"
                L"바로가기 파일의 속성에서 '읽기 전용'을 해제한 뒤 프로그램을 다시 시작하십시오. "
                L"그러면 프로그램이 바로가기를 새로 바꿉니다.");
}

// Each cause the program tells apart is said in its own words, not in the
// system's text for the code (access denied for a file in use, say), keeps
// the code, and ends with what to do. Other causes keep the system's text.
TEST(ErrorReport, KnownCausesInTheProgramsWordsOthersInTheSystems) {
  struct Case {
    Cause cause;
    DWORD code;
    const wchar_t* says;
    const wchar_t* advice;  // null: none
  };
  const Case cases[] = {
      {Cause::kFolderInTheWay, ERROR_ALREADY_EXISTS, L"같은 이름의 폴더가 있습니다", L"옮긴 뒤"},
      {Cause::kInUse, ERROR_SHARING_VIOLATION, L"다른 프로그램이", L"사용 중인 프로그램을 닫은 뒤"},
      {Cause::kNotPermitted, ERROR_ACCESS_DENIED, L"바꿀 권한이 없습니다", L"관리자에게"},
      {Cause::kDiskFull, ERROR_DISK_FULL, L"디스크 공간이 부족합니다", L"공간을 확보한 뒤"},
      {Cause::kNotWritable, ERROR_WRITE_PROTECT, L"파일을 쓸 수 없습니다", L"저장할 수 있는지"},
      {Cause::kFolderNotFound, static_cast<DWORD>(E_INVALIDARG), L"바탕화면 폴더를 찾을 수 없습니다",
       L"폴더가 있는지"},
      {Cause::kFileInTheWay, ERROR_PATH_NOT_FOUND, L"같은 이름의 파일이 있습니다", L"옮긴 뒤"},
      {Cause::kPathTooLong, ERROR_FILENAME_EXCED_RANGE, L"경로가 너무 길어", L"짧은 경로로"},
      {Cause::kBlockedBySecuritySoftware, ERROR_PATH_NOT_FOUND, L"제어된 폴더 액세스", L"관리자에게"},
      {Cause::kOther, ERROR_ACCESS_DENIED, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    const std::wstring report =
        ErrorReportText(Win32Error(L"단계", L"MoveFileExW", kShortcut, c.code, c.cause));
    SCOPED_TRACE(ToUtf8(report));
    const std::wstring system = SystemMessage(c.code);
    EXPECT_EQ(report.find(system) != std::wstring::npos, c.says == nullptr);
    if (c.says) {
      EXPECT_NE(report.find(c.says), std::wstring::npos);
    }
    EXPECT_NE(report.find(L"(오류 코드 " + HexCode(c.code) + L")"), std::wstring::npos);
    const std::wstring last_line = report.substr(report.rfind(L'\n') + 1);
    if (c.advice) {
      EXPECT_NE(last_line.find(c.advice), std::wstring::npos);
    } else {
      EXPECT_EQ(last_line.rfind(L"원인: ", 0), 0u) << "advice for a cause the program does not know";
    }
    EXPECT_EQ(report.find(L"MoveFileExW"), std::wstring::npos) << "no developer words";
  }
}

TEST(ErrorReport, AFailureAfterTheShortcutIsInPlaceSaysItWasInstalled) {
  const std::wstring report = ErrorReportText(
      Win32Error(L"설치 완료 알림 표시", L"MessageBoxW", {}, ERROR_NOT_ENOUGH_MEMORY).AfterInstall());
  EXPECT_EQ(report.rfind(L"사이트 바로가기는 바탕화면에 설치되었습니다.", 0), 0u) << ToUtf8(report);
  EXPECT_EQ(report.find(L"설치하지 못했습니다"), std::wstring::npos);
}

}  // namespace
