// Zephrin.exe loads Winsock at its first call into it: only the update check
// talks to the network, and the window's process never does. The delay-load
// helper would find the library by name, in the program's folder first; we
// run elevated, possibly from a Downloads folder, so it is taken from the
// system folder here. Linked into the program itself, where the helper finds
// this hook before the runtime's empty one.
#include <windows.h>

#include <delayimp.h>

#include "platform/system_library.h"

namespace {

FARPROC WINAPI LoadFromSystemFolder(unsigned note, PDelayLoadInfo info) {
    if (note != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
    wchar_t name[MAX_PATH] = {};
    if (!MultiByteToWideChar(CP_ACP, 0, info->szDll, -1, name, MAX_PATH)) return nullptr;
    return reinterpret_cast<FARPROC>(zephrin::LoadLibraryAt(zephrin::SystemFilePath(name)));
}

}  // namespace

// The runtime's helper reads this variable by its name (<delayimp.h> declares it); it is set here once
// and never changes.
PfnDliHook __pfnDliNotifyHook2 = LoadFromSystemFolder;
