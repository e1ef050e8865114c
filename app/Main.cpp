// Vorel, the updater of the Halvora client.
int main() { return 0; }
