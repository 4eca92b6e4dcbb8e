// Linked without the terminal-server mark: the executable check must refuse it.
int main() { return 0; }
