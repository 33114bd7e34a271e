// One in-game frame: sky, level, extra models, collectibles, coronas, HUD and fade.
#pragma once

#include "core/vector_ops.h"
#include "win32/windows.h"

// Draws and presents the frame seen from eye along the view direction.
void RenderFrame(float gameSpeed, Vec3 eye, Vec3 direction);
