// Ambience and event-sound placement, once per frame. The three loops ride slow sine cycles
// whose pace wanders at random; shelter damps them; menus mute them.
#include "sound/sound_logic.h"
#include "core/engine_state.h"
#include "sound/sound_logic_local.h"
#include "world/animated_objects.h"

#include <cmath>
#include <cstdlib>
#include <initializer_list>

int lastActivatedObject = 0;
float ambiencePhase = 0.0f;
float ambienceLevel = 0.0f;
bool ambienceStarted = false;
bool sheltered = false;

namespace {

constexpr float PI_F = 3.14159265f;
constexpr float SHELTERED_LEVEL = 0.4f;
constexpr float OPEN_LEVEL = 1.0f;

const Vec3 DOGS_SOURCE(-15.0f, 0.0f, 10.0f);
const Vec3 BIRDS_SOURCE(13.0f, 6.0f, 19.0f);
const Vec3 WIND_SOURCE(4.0f, 5.0f, 36.0f);

float Clamp01(float value) {
    if (value > 1.0f) {
        value = 1.0f;
    }
    if (value < 0.0f) {
        value = 0.0f;
    }
    return value;
}

void StartAmbience() {
    SoundPlay(soundTable[WIND], DSBPLAY_LOOPING);
    SoundPlay(soundTable[DOGS], DSBPLAY_LOOPING);
    SoundPlay(soundTable[BIRDS], DSBPLAY_LOOPING);
    ambienceStarted = true;
}

void PlaceAmbience(const Vec3& position, const Vec3& direction) {
    const float dogs = Clamp01(std::sin(2.0f * ambiencePhase) * ambienceLevel);
    const float birds = Clamp01(std::sin(3.0f * ambiencePhase) * ambienceLevel);
    const float wind = Clamp01(std::sin(ambiencePhase) / 2.0f * ambienceLevel);
    SoundPlace(soundTable[DOGS], position, direction, DOGS_SOURCE, dogs);
    SoundPlace(soundTable[BIRDS], position, direction, BIRDS_SOURCE, birds);
    SoundPlace(soundTable[WIND], position, direction, WIND_SOURCE, wind);
}

void PlaceEventSounds(const Vec3& position, const Vec3& direction) {
    // Only indexes the object table can hold; a stray index leaves the sounds where they are.
    if (lastActivatedObject < 0 || lastActivatedObject >= OBJECT_CAPACITY) {
        return;
    }
    const Vec3& source = animatedObjects.objectPosition[lastActivatedObject];
    for (SoundId id : {DVERE, KOD, KOD2, BTN}) {
        SoundPlace(soundTable[id], position, direction, source, 1.0f);
    }
}

} // namespace

bool ListenerSheltered(const Vec3& p) {
    const bool area1 = p.x <= 10.0f && p.z >= 23.0f;
    const bool area2 = p.x >= 0.0f && p.x <= 8.0f && p.z >= 20.0f;
    const bool area4 = p.x >= 14.0f && p.z >= 22.0f && p.z <= 28.0f;
    if (p.y > 4.7f) {
        // Up on the gallery the roof between z 23 and 28 spans the whole width.
        const bool area3 = p.z >= 23.0f && p.z <= 28.0f;
        return area1 || area2 || area3 || area4;
    }
    const bool area3 = p.x <= 11.0f && p.z >= 23.0f && p.z <= 28.0f;
    const bool area5 = p.x >= 5.0f && p.x <= 11.0f && p.z <= 4.0f;
    return area1 || area2 || area3 || area4 || area5;
}

HRESULT SoundUpdate(float speed, const Vec3& position, const Vec3& direction) {
    if (engine.soundsEnabled == 0) {
        return S_OK;
    }
    const int r = std::rand() % 1000;
    ambiencePhase += speed * (0.001f + 0.002f * static_cast<float>(r) / 1000.0f);
    // The level steps before it is tested against its bound, so it may overshoot by one step.
    if (sheltered && ambienceLevel > SHELTERED_LEVEL) {
        ambienceLevel -= 0.01f * speed;
    } else if (!sheltered && ambienceLevel < OPEN_LEVEL) {
        ambienceLevel += 0.01f * speed;
    }
    if (ambiencePhase > PI_F) {
        ambiencePhase -= PI_F;
    }
    if (!ambienceStarted) {
        StartAmbience();
    }
    sheltered = ListenerSheltered(position);

    if (engine.screenMode != SCREEN_MODE_GAME) {
        SoundSetVolume(soundTable[DOGS], 0.0f);
        SoundSetVolume(soundTable[BIRDS], 0.0f);
        SoundSetVolume(soundTable[WIND], 0.0f);
        return S_OK;
    }
    PlaceAmbience(position, direction);
    PlaceEventSounds(position, direction);
    return S_OK;
}

HRESULT SoundPlace(SoundObject* sound, const Vec3& listener, const Vec3& direction,
                   const Vec3& source, float gain) {
    const float dx = source.x - listener.x;
    const float dz = source.z - listener.z;
    Vec3 side(dz, 0.0f, -dx);
    D3DXVec3Normalize(&side, &side);
    Vec3 facing(direction.x, 0.0f, direction.z);
    D3DXVec3Normalize(&facing, &facing);
    // Ahead gives 0, right -1, left +1; the sign flips below so the right is heard right.
    const float p = D3DXVec3Dot(&side, &facing);
    const Vec3 offset = source - listener;
    const float d = D3DXVec3Length(&offset);
    const float v = Clamp01(1.3f - d / 50.0f);
    SoundSetPan(sound, -p);
    SoundSetVolume(sound, v * gain);
    return S_OK;
}
