// Linked as the program is, but for one security mark or the declared oldest
// Windows: the executable check must refuse it.
int main() { return 0; }
