// Stands for a DLL that a web page left in the Downloads folder.
extern "C" __declspec(dllexport) int Planted() { return 1; }
