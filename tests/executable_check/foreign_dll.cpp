// A DLL that Windows does not have, for the executable check to refuse, and
// the stranger's DLL that the DLL search test finds beside it.
extern "C" __declspec(dllexport) int ForeignAnswer() { return 42; }
