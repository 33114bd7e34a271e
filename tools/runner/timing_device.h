// A device that forwards every call to the real one and tells a FrameTimer when a frame's
// drawing starts and how long Present takes. The timedemo puts it in place of the engine's
// device so the frame code runs unchanged.
#pragma once

#include "d3d8/d3d8.h"
#include "tools/runner/frame_timing.h"

// Wraps inner (which gains a reference) and reports to timer; the result has one reference.
IDirect3DDevice8* CreateTimingDevice(IDirect3DDevice8* inner, FrameTimer* timer);
