// Placeholder entry point until the show loop lands.
int main() { return 1; }
