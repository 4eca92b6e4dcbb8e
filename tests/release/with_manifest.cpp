// Carries a manifest resource: the self-contained check must refuse it.
int main() { return 0; }
