// A DLL that Windows does not have, for the self-contained check to refuse.
extern "C" __declspec(dllexport) int ForeignAnswer() { return 42; }
