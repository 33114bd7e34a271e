// A sound made from any bytes, as the game makes its sounds: the image is a WAVE resource,
// parsed in place, copied into a static buffer of the DirectSound layer and played into a
// mixer that runs on demand.
#include "dsound/dsound.h"
#include "dsound/dsound_mixer.h"
#include "fuzz_entry.h"
#include "sound/sound.h"
#include "win32/win32_resources.h"

#include <vector>

namespace {

IDirectSound* Device() {
    static IDirectSound* device = [] {
        DsoundSetManualMixing(true, 22050);
        IDirectSound* made = nullptr;
        if (DirectSoundCreate(nullptr, &made, nullptr) != DS_OK)
            return static_cast<IDirectSound*>(nullptr);
        made->SetCooperativeLevel(reinterpret_cast<HWND>(1), DSSCL_NORMAL);
        return made;
    }();
    return device;
}

} // namespace

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IDirectSound* device = Device();
    if (device == nullptr || size > 0xFFFFFFFFu)
        return 0;
    // The resource table keeps a pointer, so the image lives here until the sound is gone.
    const std::vector<uint8_t> image(data, data + size);
    Win32ClearAddedResources();
    Win32AddResource("FUZZ", "WAVE", image.data(), static_cast<uint32_t>(image.size()));
    IDirectSoundBuffer* buffer = SoundBufferCreate(device, "FUZZ");
    if (buffer != nullptr) {
        buffer->Play(0, 0, 0);
        float out[2 * 256];
        DsoundMixerRender(device, out, 256);
        buffer->Release();
    }
    Win32ClearAddedResources();
    return 0;
}
