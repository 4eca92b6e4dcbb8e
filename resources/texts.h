#pragma once

#include "program_version.h"  // generated from the project's version

// Every text the user reads, in one place.
namespace texts {

inline constexpr wchar_t kForm1Caption[] = L"Trelvik 솔루션" OSTRIVANE_VERSION_CAPTION;
inline constexpr wchar_t kLabel1Text[] = L"사이트의 바로가기를 생성합니다.";

inline constexpr wchar_t kInstalledPrompt[] = L"사이트 바로가기가 바탕화면에 설치되었습니다.";
inline constexpr wchar_t kInstalledTitle[] = L"바로가기";

// The error report: a headline, then the failing step and the system's reason.
inline constexpr const wchar_t* kErrorTitle = kForm1Caption;
inline constexpr wchar_t kErrorHeadline[] = L"사이트 바로가기를 설치하지 못했습니다.";
inline constexpr wchar_t kErrorStepLabel[] = L"실패한 단계: ";
inline constexpr wchar_t kErrorCauseLabel[] = L"원인: ";
inline constexpr wchar_t kErrorCodeLabel[] = L"오류 코드 ";
inline constexpr wchar_t kErrorUnknownCause[] = L"알 수 없는 오류";
// Out of memory, the report is fixed text: composing one could fail again.
inline constexpr wchar_t kErrorOutOfMemoryReport[] =
    L"사이트 바로가기를 설치하지 못했습니다.\n\n"
    L"실패한 단계: 메모리 할당 (operator new)\n"
    L"원인: 메모리가 부족합니다 (오류 코드 0x00000008)";

// The steps the error report can name. The report adds the Windows call and
// the path it worked on in parentheses.
inline constexpr wchar_t kStepFindDesktop[] = L"바탕 화면 폴더 찾기";
inline constexpr wchar_t kStepCheckPathLength[] = L"바로가기 경로 길이 확인";
inline constexpr wchar_t kStepReplaceReadOnly[] = L"읽기 전용인 기존 바로가기 바꾸기";
inline constexpr wchar_t kStepReplaceFolder[] = L"같은 이름의 폴더가 있는 자리에 바로가기 쓰기";
inline constexpr wchar_t kStepEncodeShortcut[] = L"바로가기 내용 변환";
inline constexpr wchar_t kStepCreateTemporary[] = L"임시 파일 만들기";
inline constexpr wchar_t kStepWriteTemporary[] = L"임시 파일에 쓰기";
inline constexpr wchar_t kStepFlushTemporary[] = L"임시 파일을 디스크에 저장";
inline constexpr wchar_t kStepUnhideTemporary[] = L"임시 파일의 숨김 속성 해제";
inline constexpr wchar_t kStepReplaceShortcut[] = L"바로가기 파일 바꾸기";
inline constexpr wchar_t kStepShowMessage[] = L"알림 메시지 표시";
inline constexpr wchar_t kStepCreateWindow[] = L"창 만들기";
inline constexpr wchar_t kStepHideWindow[] = L"창 숨기기";
inline constexpr wchar_t kStepUnexpected[] = L"예기치 않은 프로그램 오류";

}  // namespace texts
