// Vorel, the updater of the Halvora client. It takes no options: arguments are ignored.
#include <wx/app.h>

#include "app/UpdateCheck.h"
#include "app/Vorel_Src_V2App.h"
#include "ui/GuiStartup.h"

namespace {

// Exit status when the prompt was due but no display could be opened for it.
constexpr int kExitNoDisplay = 2;

}  // namespace

// The update check runs before the toolkit starts, so a run without an update needs no
// display. The toolkit starts only for the prompt, and the program ends when it closes.
int main() {
    if (!CheckForUpdate()) return 0;
    if (!ui::StartGui(new CVorel_Src_V2App)) return kExitNoDisplay;
    wxTheApp->CallOnInit();
    wxTheApp->OnExit();
    ui::StopGui();
    return 0;
}
