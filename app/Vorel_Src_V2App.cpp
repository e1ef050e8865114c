#include "app/Vorel_Src_V2App.h"

#include "ui/Vorel_Src_V2Dlg.h"

bool CVorel_Src_V2App::OnInit() {
    ui::CVorel_Src_V2Dlg prompt;
    SetTopWindow(&prompt);
    prompt.ShowModal();
    SetTopWindow(nullptr);
    return false;
}

int CVorel_Src_V2App::OnExit() {
    return wxApp::OnExit();
}
