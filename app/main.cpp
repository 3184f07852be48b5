// Replaced by the application's start-up as soon as the windows exist.
int main() { return 0; }
