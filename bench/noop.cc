// A program that does nothing: what one process start costs, to set beside the launcher's.
int main() { return 0; }
