"""The functions an executable may import and still start on Windows 7 SP1.

Windows resolves every function an executable imports before its first line
runs; where the system's DLL lacks one, the program does not start at all
("entry point not found"). Wine has every function, so no run here shows it:
the build's check does, against the list below.

The list holds every function that the builds of both editions import, as
Debian 12's and Debian 13's toolchains make them, by DLL, each under the
oldest Windows that has it: for the Win32 API, the "Minimum supported client"
of its page in Microsoft's documentation (where that says Windows 2000 or XP,
it is listed under XP); for the C runtime, see msvcrt.dll below. A function
that is not listed is refused until someone has looked it up and added it; a
function known to be newer than the oldest Windows the program runs on is
refused, naming the Windows that brought it. Functions the program looks up
at run time (app/system_functions.cpp) are not imported, and so not here.
"""

from pathlib import Path

import pefile

WINDOWS_VERSIONS = {'Windows XP': (5, 1), 'Windows Vista': (6, 0), 'Windows 7': (6, 1),
                    'Windows 8': (6, 2), 'Windows 8.1': (6, 3), 'Windows 10 version 1607': (10, 0),
                    'Windows 10 version 1703': (10, 0)}

# {DLL: {oldest Windows: functions}}, DLL names in lower case. The 64-bit
# edition's unwinding (RtlLookupFunctionEntry, RtlUnwindEx, RtlVirtualUnwind,
# __C_specific_handler) is in the kernel32 of every 64-bit Windows.
IMPORTS = {
    'kernel32.dll': {
        'Windows XP': '''
            AddVectoredExceptionHandler __C_specific_handler CloseHandle CreateEventA CreateFileW
            CreateSemaphoreA DeleteCriticalSection DuplicateHandle EnterCriticalSection FindClose
            FindFirstFileExW FindNextFileW FlushFileBuffers FormatMessageA FormatMessageW
            FreeLibrary GetACP GetCurrentProcess GetCurrentProcessId GetCurrentThread
            GetCurrentThreadId GetFileAttributesW GetFileInformationByHandle GetFullPathNameW
            GetHandleInformation GetLastError GetModuleHandleA GetModuleHandleW GetProcAddress
            GetProcessAffinityMask GetStartupInfoA GetStartupInfoW GetSystemTimeAsFileTime
            GetThreadContext GetThreadPriority GetTickCount InitializeCriticalSection
            IsDebuggerPresent LeaveCriticalSection LoadLibraryA LoadLibraryExW LoadLibraryW
            LocalFree lstrlenW MulDiv MultiByteToWideChar OpenProcess OutputDebugStringA
            QueryPerformanceCounter QueryPerformanceFrequency RaiseException ReadFile
            ReleaseSemaphore RemoveVectoredExceptionHandler ResetEvent ResumeThread
            RtlCaptureContext RtlLookupFunctionEntry RtlUnwindEx RtlVirtualUnwind SetDllDirectoryW
            SetEvent SetLastError SetProcessAffinityMask SetThreadContext SetThreadPriority
            SetUnhandledExceptionFilter Sleep SuspendThread TerminateProcess TlsAlloc TlsGetValue
            TlsSetValue TryEnterCriticalSection VirtualProtect VirtualQuery WaitForMultipleObjects
            WaitForSingleObject WideCharToMultiByte WriteFile
            ''',
        'Windows Vista': '''
            CompareStringOrdinal GetFinalPathNameByHandleW GetTickCount64
            SetFileInformationByHandle
            ''',
    },
    'user32.dll': {
        'Windows XP': '''
            AdjustWindowRectEx CreateWindowExW DefWindowProcW DestroyWindow DispatchMessageW GetDC
            GetMessageW GetWindowLongPtrW GetWindowLongW IsWindow LoadCursorW LoadIconW MessageBoxW
            PostQuitMessage RegisterClassExW ReleaseDC SendMessageW SetWindowLongPtrW
            SetWindowLongW SetWindowPos ShowWindow SystemParametersInfoW TranslateMessage
            UpdateWindow
            ''',
        'Windows Vista': 'SetProcessDPIAware',
    },
    'gdi32.dll': {
        'Windows XP': '''
            CreateFontIndirectW DeleteObject GetDeviceCaps GetStockObject GetTextExtentPoint32W
            SelectObject
            ''',
    },
    'shell32.dll': {
        'Windows XP': 'SHChangeNotify SHGetFolderPathW SHGetPathFromIDListW SHGetSpecialFolderLocation',
    },
    'ole32.dll': {
        'Windows XP': 'CoTaskMemFree',
    },
    # Windows' own C runtime, which MinGW-w64's startup code and C++ runtime
    # call. Microsoft documents it only as a whole, with no Windows version
    # per function; MinGW-w64's list of its exports by the Windows that added
    # them (mingw-w64-crt/lib-common/msvcrt.def.in) has each of these in
    # Windows XP's msvcrt.dll or an older one, none in a later one.
    'msvcrt.dll': {
        'Windows XP': '''
            abort _acmdln _amsg_exit _beginthreadex calloc _cexit _close _commode _endthreadex
            _errno _exit exit _fmode fprintf free fwrite getenv __getmainargs __initenv _initterm
            _iob __iob_func longjmp malloc memchr memcmp memcpy memmove memset _onexit __p__acmdln
            __p__commode __p__fmode __p__wcmdln printf _read realloc __set_app_type _setjmp
            _setjmp3 __setusermatherr signal strchr strcmp _strdup strerror strlen strncmp strtoul
            _ultoa vfprintf _vscprintf _vsnprintf _wcmdln wcslen wcsspn __wgetmainargs __winitenv
            ''',
    },
}

# Functions a newer toolchain or a change to the code might import that
# Windows 7 lacks, with the Windows that brought them: {function: (DLL,
# oldest Windows)}. Among them the ones the program looks up at run time.
NEWER = {
    'GetSystemTimePreciseAsFileTime': ('kernel32.dll', 'Windows 8'),
    'CreateFile2': ('kernel32.dll', 'Windows 8'),
    'CopyFile2': ('kernel32.dll', 'Windows 8'),
    'GetCurrentThreadStackLimits': ('kernel32.dll', 'Windows 8'),
    'WaitOnAddress': ('kernel32.dll', 'Windows 8'),
    'WakeByAddressSingle': ('kernel32.dll', 'Windows 8'),
    'WakeByAddressAll': ('kernel32.dll', 'Windows 8'),
    'SetDefaultDllDirectories': ('kernel32.dll', 'Windows 8'),
    'AddDllDirectory': ('kernel32.dll', 'Windows 8'),
    'SetThreadDescription': ('kernel32.dll', 'Windows 10 version 1607'),
    'SetProcessDpiAwarenessContext': ('user32.dll', 'Windows 10 version 1703'),
    'GetDpiForWindow': ('user32.dll', 'Windows 10 version 1607'),
    'SystemParametersInfoForDpi': ('user32.dll', 'Windows 10 version 1607'),
    'AdjustWindowRectExForDpi': ('user32.dll', 'Windows 10 version 1607'),
    'SetProcessDpiAwareness': ('shcore.dll', 'Windows 8.1'),
}


def oldest_windows(dll: str, function: str) -> str | None:
    """The name of the oldest Windows that has `function` in `dll` (any case),
    or None where it is not on either list."""
    for oldest, functions in IMPORTS.get(dll.lower(), {}).items():
        if function in functions.split():
            return oldest
    newer = NEWER.get(function)
    return newer[1] if newer and newer[0] == dll.lower() else None


def import_problem(pe: pefile.PE, path: str | Path,
                   min_windows: tuple[int, ...]) -> str | None:
    """What keeps the executable `pe` (pefile's) at `path` from starting on
    Windows `min_windows` (such as (6, 1)) for a function it imports, in one
    line; None where it imports none such."""
    entries = getattr(pe, 'DIRECTORY_ENTRY_IMPORT', []) + getattr(pe, 'DIRECTORY_ENTRY_DELAY_IMPORT', [])
    oldest_allowed = next((name for name, version in WINDOWS_VERSIONS.items() if version == min_windows),
                          'Windows %d.%d' % min_windows)
    unlisted: list[tuple[str, str]] = []
    for entry in entries:
        dll = entry.dll.decode()
        for imported in entry.imports:
            function = imported.name.decode() if imported.name else 'ordinal %d' % imported.ordinal
            oldest = oldest_windows(dll, function) if imported.name else None
            if oldest is None:
                unlisted.append((function, dll))
            elif WINDOWS_VERSIONS[oldest] > min_windows:
                return ('%s imports %s from %s, which Windows has only from %s on: on %s the program '
                        'would not start ("entry point not found"). Look it up at run time as '
                        'app/system_functions.cpp does, or do without it.'
                        % (path, function, dll, oldest, oldest_allowed))
    if unlisted:
        return ('%s imports %s, not on the list of functions checked to be on %s '
                '(tools/ostrivane_site/windows7.py): look up the oldest Windows that has each in '
                'Microsoft\'s documentation and list it there, or look it up at run time as '
                'app/system_functions.cpp does.'
                % (path, ', '.join('%s from %s' % pair for pair in unlisted), oldest_allowed))
    return None
