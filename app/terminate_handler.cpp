// What happens when the C++ runtime gives up (std::terminate): an exception
// left a noexcept function, or one was thrown while another unwound.
// wWinMain catches everything else, so this runs only after a fault of the
// program's own. It ends the process at once, with exit code 3 (as abort()
// does, so such a run is told apart from one that reported its failure with
// 1), and writes nothing: the program has no console to write to, and
// whatever was still to be written or released would run in a state the
// program no longer knows.
//
// This is the runtime's default handler, which <exception> declares: GCC's
// own prints the exception's type, demangled, to the standard error stream,
// and linked in statically it brings the C++ name demangler along, a quarter
// of the executable. Defined here, in an object of the executable itself,
// the linker never takes GCC's. (std::set_terminate would only change the
// handler at run time: the runtime would still name GCC's as the one that
// std::set_terminate(nullptr) puts back, and so keep it and the demangler.)

#include <windows.h>

#include <cstdlib>
#include <exception>

void __gnu_cxx::__verbose_terminate_handler() {
  constexpr UINT kTerminatedExitCode = 3;
  TerminateProcess(GetCurrentProcess(), kTerminatedExitCode);
  std::_Exit(kTerminatedExitCode);  // not reached: the call above ends this process
}
