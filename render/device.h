// The rendering device: created once at start-up with the states that hold for the whole run,
// and the shutdown routine that releases every device object the shell owns.
#pragma once

#include "win32/windows.h"

// Creates the Direct3D object, the full-screen device, the sprite and the corona vertex
// buffer, and hands the device to the models. S_OK, or E_FAIL at the first failing step.
HRESULT InitDevice(HWND window);

// The second half of InitDevice, on the device it created: the sprite, the fixed render,
// texture-stage and light states, the device handed to the models, the corona buffer.
HRESULT SetUpDeviceObjects();

// Destroys the sounds, then releases the textures, the corona buffer, the sprite, the device
// and the Direct3D object; safe after an InitDevice that stopped half-way.
void ReleaseAll();
