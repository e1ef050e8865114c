#include "ui/CheckClientRunning.h"

#include <wx/msgdlg.h>

#include <string>

#include "common/Texts.h"

namespace ui {
namespace {

constexpr std::size_t kMarkerSize = 128;

wxString Utf8(std::string_view text) {
    return wxString::FromUTF8(text.data(), text.size());
}

}  // namespace

bool CheckClientRunning(platform::CSharedSection& section) {
    switch (section.Create(texts::kClientRunningMarker, kMarkerSize)) {
        case platform::CSharedSection::Result::Failed:
            return false;
        case platform::CSharedSection::Result::AlreadyExists: {
            wxMessageDialog box(nullptr, Utf8(texts::kClientRunning),
                                Utf8(texts::kClientRunningCaption), wxOK);
            box.ShowModal();
            return false;
        }
        case platform::CSharedSection::Result::Created:
            section.Write(std::string(texts::kClientRunningMarkerText) + '\0');
            return true;
    }
    return false;
}

}  // namespace ui
