#include "platform/sound.h"

#include <mmsystem.h>

#include "platform/system_library.h"

namespace zephrin {

void PlayClickSound() {
    if (auto* playSound = SystemFunction<decltype(PlaySoundW)>(L"winmm.dll", "PlaySoundW"))
        playSound(L"click", GetModuleHandleW(nullptr), SND_RESOURCE);
}

}  // namespace zephrin
