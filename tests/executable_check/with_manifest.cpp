// Carries a manifest resource: the executable check must refuse it.
int main() { return 0; }
