#pragma once

// Every text the user reads, in one place.
namespace texts {

inline constexpr wchar_t kForm1Caption[] = L"Trelvik 솔루션(v1.0.0)";
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
    L"실패한 단계: operator new\n"
    L"원인: 메모리가 부족합니다 (오류 코드 0x00000008)";

}  // namespace texts
