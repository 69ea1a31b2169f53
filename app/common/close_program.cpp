#include "app/close_program.h"

#include <windows.h>

#include <initializer_list>

#include "app/window_names.h"
#include "platform/identity.h"
#include "platform/other_copy.h"

namespace zephrin {

void CloseRunningProgram() {
    for (const wchar_t* cls : {kAboutFormClass, kChangesFormClass, kProgressFormClass, kMainFormClass}) {
        if (HWND w = FindWindowOfProgram(cls, kProgramFile)) CloseWindowInTime(w);
    }
}

}  // namespace zephrin
