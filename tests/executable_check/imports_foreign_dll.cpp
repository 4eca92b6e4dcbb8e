// Imports a DLL that Windows does not have: the executable check must refuse it.
extern "C" __declspec(dllimport) int ForeignAnswer();
int main() { return ForeignAnswer() == 42 ? 0 : 1; }
