#pragma once

#include "program_version.h"  // generated from the project's version
#include "site_brand.h"       // generated from SITE_BRAND

// Every text the user reads, in one place.
namespace texts {

// The brand word, a space, "solution" and the version: "Trelvik 솔루션(v1.0.0)".
inline constexpr wchar_t kForm1Caption[] = OSTRIVANE_SITE_BRAND L" 솔루션" OSTRIVANE_VERSION_CAPTION;
inline constexpr wchar_t kLabel1Text[] = L"사이트의 바로가기를 생성합니다.";

inline constexpr wchar_t kInstalledPrompt[] = L"사이트 바로가기가 바탕화면에 설치되었습니다.";
inline constexpr wchar_t kInstalledTitle[] = L"바로가기";

// The shortcut's description, shown by the shell: the brand word and
// "shortcut", "Trelvik바로가기".
inline constexpr wchar_t kShortcutDescription[] = OSTRIVANE_SITE_BRAND L"바로가기";

// The error report: a headline, then the failing step, the cause and, where
// the program knows the cause, what the user can do.
inline constexpr const wchar_t* kErrorTitle = kForm1Caption;
inline constexpr wchar_t kErrorHeadline[] = L"사이트 바로가기를 설치하지 못했습니다.";
inline constexpr wchar_t kErrorHeadlineAfterInstall[] =
    L"사이트 바로가기는 바탕화면에 설치되었습니다. 다만 그 뒤에 문제가 생겼습니다.";
inline constexpr wchar_t kErrorStepLabel[] = L"실패한 단계: ";
inline constexpr wchar_t kErrorCauseLabel[] = L"원인: ";
inline constexpr wchar_t kErrorCodeLabel[] = L"오류 코드 ";
inline constexpr wchar_t kErrorUnknownCause[] = L"알 수 없는 오류";
// Out of memory, the report is fixed text: composing one could fail again.
inline constexpr wchar_t kErrorOutOfMemoryReport[] =
    L"사이트 바로가기를 설치하지 못했습니다.\n\n"
    L"실패한 단계: 프로그램에 필요한 메모리 확보\n"
    L"원인: 메모리가 부족합니다 (오류 코드 0x00000008)\n\n"
    L"사용하지 않는 프로그램을 닫은 뒤 프로그램을 다시 시작하십시오.";

// The causes the program can tell apart, in its own words (the report adds
// the error code), each with what the user can do about it.
inline constexpr wchar_t kCauseReadOnly[] = L"기존 바로가기 파일이 읽기 전용으로 설정되어 있습니다";
inline constexpr wchar_t kAdviceReadOnly[] =
    L"바로가기 파일의 속성에서 '읽기 전용'을 해제한 뒤 프로그램을 다시 시작하십시오. "
    L"그러면 프로그램이 바로가기를 새로 바꿉니다.";
inline constexpr wchar_t kCauseFolderInTheWay[] = L"바로가기 파일이 놓일 자리에 같은 이름의 폴더가 있습니다";
inline constexpr wchar_t kAdviceFolderInTheWay[] =
    L"해당 폴더의 이름을 바꾸거나 다른 곳으로 옮긴 뒤 프로그램을 다시 시작하십시오.";
inline constexpr wchar_t kCauseInUse[] = L"다른 프로그램이 기존 바로가기 파일을 사용하고 있습니다";
inline constexpr wchar_t kAdviceInUse[] =
    L"해당 파일을 사용 중인 프로그램을 닫은 뒤 프로그램을 다시 시작하십시오.";
inline constexpr wchar_t kCauseNotPermitted[] = L"기존 바로가기 파일을 바꿀 권한이 없습니다";
inline constexpr wchar_t kAdviceNotPermitted[] =
    L"기존 바로가기 파일을 직접 삭제한 뒤 프로그램을 다시 시작하십시오. "
    L"삭제할 수 없으면 컴퓨터 관리자에게 문의하십시오.";
inline constexpr wchar_t kCauseDiskFull[] = L"디스크 공간이 부족합니다";
inline constexpr wchar_t kAdviceDiskFull[] =
    L"필요 없는 파일을 지워 공간을 확보한 뒤 프로그램을 다시 시작하십시오.";
inline constexpr wchar_t kCauseNotWritable[] = L"바탕화면 폴더나 디스크에 파일을 쓸 수 없습니다";
inline constexpr wchar_t kAdviceNotWritable[] =
    L"바탕화면 폴더에 파일을 저장할 수 있는지 확인한 뒤 프로그램을 다시 시작하십시오.";
inline constexpr wchar_t kCauseFolderNotFound[] = L"바탕화면 폴더를 찾을 수 없습니다";
inline constexpr wchar_t kAdviceFolderNotFound[] =
    L"바탕화면 폴더가 있는지 확인한 뒤 프로그램을 다시 시작하십시오.";
inline constexpr wchar_t kCauseFileInTheWay[] =
    L"바탕화면 폴더가 있어야 할 자리에 같은 이름의 파일이 있습니다";
inline constexpr wchar_t kAdviceFileInTheWay[] =
    L"해당 파일의 이름을 바꾸거나 다른 곳으로 옮긴 뒤 프로그램을 다시 시작하십시오.";
// Windows Security's controlled folder access, as the Korean Windows names
// it, with the page and the button where a program is allowed through it.
inline constexpr wchar_t kCauseBlockedBySecuritySoftware[] =
    L"바탕화면 폴더는 있지만 보안 프로그램(예: Windows 보안의 제어된 폴더 액세스)이 "
    L"파일 저장을 막은 것으로 보입니다";
inline constexpr wchar_t kAdviceBlockedBySecuritySoftware[] =
    L"Windows 보안의 '랜섬웨어 방지'에서 '제어된 폴더 액세스를 통해 앱 허용'으로 이 프로그램을 허용한 뒤 "
    L"프로그램을 다시 시작하십시오. 직접 허용할 수 없으면 컴퓨터 관리자에게 문의하십시오.";
inline constexpr wchar_t kCausePathTooLong[] =
    L"바탕화면 폴더의 경로가 너무 길어 바로가기 파일을 만들 수 없습니다";
inline constexpr wchar_t kAdvicePathTooLong[] =
    L"바탕화면 폴더를 더 짧은 경로로 옮긴 뒤 프로그램을 다시 시작하십시오.";

// The steps the error report can name: what the program was doing for the
// user. The report adds the file or folder it worked on in parentheses.
inline constexpr wchar_t kStepFindDesktop[] = L"바탕화면 폴더 찾기";
inline constexpr wchar_t kStepPrepareShortcut[] = L"바로가기 내용 만들기";
inline constexpr wchar_t kStepSaveShortcut[] = L"바탕화면에 바로가기 저장";
inline constexpr wchar_t kStepShowMessage[] = L"설치 완료 알림 표시";
inline constexpr wchar_t kStepCreateWindow[] = L"프로그램 창 만들기";
inline constexpr wchar_t kStepHideWindow[] = L"프로그램 창 표시 준비";
inline constexpr wchar_t kStepUnexpected[] = L"예기치 않은 프로그램 오류";

}  // namespace texts
