// Placeholder until the helper lands.
int main() { return 0; }
