// Marked like a Windows program, but declaring the toolchain's default
// Windows version (4.0 or 5.2), not 7: the executable check must refuse it.
int main() { return 0; }
