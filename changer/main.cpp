// Placeholder entry; the start-up run replaces it.
int main() { return 0; }
