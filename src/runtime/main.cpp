// Program entry (placeholder until the start-up code lands).
int main() { return 0; }
