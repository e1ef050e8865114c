// Vorel, the updater of the Halvora client. It takes no options: arguments are ignored.
#include "app/UpdateCheck.h"

// Until the update prompt exists the program ends after the check. Its exit status says
// what the check decided: 1 when the prompt would be shown, 0 when it would not (no update
// due, or a step of the check failed; the log says which).
int main() {
    return CheckForUpdate() ? 1 : 0;
}
