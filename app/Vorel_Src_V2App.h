// The application object: started only when the update check asks for the prompt.
#pragma once

#include <wx/app.h>

class CVorel_Src_V2App : public wxApp {
  public:
    // Runs the update prompt modally and ends the program when it closes: always false,
    // so that no main loop of the program's own ever runs.
    bool OnInit() override;
    int OnExit() override;
};
