#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "ui/accessible.h"
#include "ui/application.h"

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_USEREX_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    zephrin::ui::Application::Instance().SetInstance(GetModuleHandleW(nullptr));
    // As the programs do at their start.
    zephrin::ui::InstallScreenReaders();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
