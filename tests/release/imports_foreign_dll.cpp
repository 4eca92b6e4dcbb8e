// Imports a DLL that Windows does not have: the self-contained check must refuse it.
extern "C" __declspec(dllimport) int ForeignAnswer();
int main() { return ForeignAnswer() == 42 ? 0 : 1; }
