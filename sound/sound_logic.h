// Per-frame placement of the game's sounds: the three ambience loops swelling and fading at
// their fixed places, damped in sheltered areas and silent behind menus, and the four event
// sounds at the object the player operated last.
#pragma once

#include "core/vector_ops.h"
#include "sound/sound.h"

// Index of the object the player operated last; event sounds sit at its position. Starts 0.
extern int lastActivatedObject;

// Advances the ambience and places every sound for a listener at position looking along
// direction (any length). Called once per frame with gameSpeed; always S_OK.
HRESULT SoundUpdate(float speed, const Vec3& position, const Vec3& direction);

// Pans and levels one sound for a listener: pan from the horizontal bearing of the source,
// level falling from full at 15 units to silence at 65, times gain. Always S_OK.
HRESULT SoundPlace(SoundObject* sound, const Vec3& listener, const Vec3& direction,
                   const Vec3& source, float gain);
