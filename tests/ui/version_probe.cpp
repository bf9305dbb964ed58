// An executable that only carries a version resource for the About box tests.
int main() { return 0; }
