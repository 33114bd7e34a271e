// The scripted camera flights. Each step moves the eye and view direction of EngineState by a
// fixed amount per frame scaled by the game speed, fades in after its cut and out before the
// next, and hands over to the next step at its end condition. The steps are tested in order
// within one call, so the step taken over runs in the same frame as the cut. Scalar updates
// are evaluated in double and rounded to float once, and thresholds are compared in double, as
// the flights were tuned.
#include "player/camera_script.h"

#include "core/engine_state.h"

namespace {

// The points the orbiting and panning steps keep looking at.
const Vec3 OPENING_ORBIT_TARGET(-5.0f, 2.4f, 20.5f);
const Vec3 ENTRANCE_SWITCH_TARGET(5.14f, 3.75f, 20.0f);
const Vec3 UPPER_SWITCH_TARGET(-3.14f, 6.0f, 26.5f);
const Vec3 DRAIN_TARGET(-5.5f, 2.1f, 19.0f);

void Add(float& value, double delta) {
    value = static_cast<float>(value + delta);
}

void LookAt(const Vec3& eye, Vec3& direction, Vec3 target) {
    direction = target - eye;
}

// Moves the eye at right angles to the horizontal view, using the direction from before this
// frame's look-at; the circle widens slowly because each step is straight.
void Orbit(Vec3& eye, const Vec3& direction, double s) {
    Add(eye.x, -0.002 * s * direction.z);
    Add(eye.z, 0.002 * s * direction.x);
}

// Ends the running flight, leaving the overlay opaque for its last frame.
void EndSequence(float& fade) {
    engine.cameraSequenceActive = 0;
    fade = 1.0f;
}

void OpeningStreet(Vec3& e, Vec3& dv, float& fade, int& step, double s) {
    Add(e.z, 0.05 * s);
    Add(e.x, e.z / 300.0 * s);
    Add(e.y, 0.01 * s);
    Add(dv.x, 0.002 * s);
    Add(dv.y, 0.001 * s);
    fade = 0.0f;
    if (e.z < 1.0) {
        fade = static_cast<float>(1.0 - e.z);
    }
    if (e.z > 9.0) {
        fade = static_cast<float>(e.z - 9.0);
    }
    if (e.z > 10.0) {
        step = 1;
        e = Vec3(4.0f, 6.0f, 15.0f);
        dv = Vec3(0.0f, -0.25f, 0.8f);
    }
}

void OpeningCourtyard(Vec3& e, Vec3& dv, float& fade, int& step, double s) {
    Add(e.z, 0.02 * s);
    Add(dv.y, 0.001 * s);
    if (e.z > 19.0) {
        Add(dv.x, 0.002 * s * (e.z - 19.0));
        Add(dv.z, -0.002 * s);
    }
    fade = 0.0f;
    if (e.z < 16.0) {
        fade = static_cast<float>(16.0 - e.z);
    }
    if (e.z > 22.0) {
        fade = static_cast<float>(e.z - 22.0);
    }
    if (e.z > 23.0) {
        step = 2;
        e = Vec3(4.0f, 2.8f, 23.5f);
        dv = Vec3(-0.5f, 0.1f, 0.3f);
    }
}

void OpeningHall(Vec3& e, Vec3& dv, float& fade, int& step, double s) {
    Add(e.x, -0.02 * s);
    Add(e.z, 0.01 * s);
    Add(e.y, 0.004 * s);
    Add(dv.z, -0.001 * s);
    Add(dv.y, -0.001 * s);
    fade = 0.0f;
    if (e.x > 3.0) {
        fade = static_cast<float>(e.x - 3.0);
    }
    if (e.x < -4.0) {
        fade = static_cast<float>(-4.0 - e.x);
    }
    if (e.x < -5.0) {
        step = 3;
        e = Vec3(-6.0f, 4.0f, 14.5f);
        LookAt(e, dv, OPENING_ORBIT_TARGET);
    }
}

void OpeningOrbit(Vec3& e, Vec3& dv, float& fade, int& step, double s) {
    Orbit(e, dv, s);
    LookAt(e, dv, OPENING_ORBIT_TARGET);
    fade = 0.0f;
    if (e.x > -7.0) {
        fade = static_cast<float>(e.x + 7.0);
    }
    if (e.x < -8.5) {
        fade = static_cast<float>(-8.5 - e.x);
    }
    if (e.x < -9.5) {
        step = 7;
        e = Vec3(-9.6f, 6.5f, 24.1f);
        dv = Vec3(0.0f, -0.2f, 1.0f);
    }
}

void EntranceSwitchFlight(Vec3& e, Vec3& dv, float& fade, double s) {
    Orbit(e, dv, s);
    LookAt(e, dv, ENTRANCE_SWITCH_TARGET);
    fade = 0.0f;
    if (e.x > 5.3) {
        fade = static_cast<float>(2.0 * (e.x - 5.3));
    }
    if (e.x < 4.74) {
        fade = static_cast<float>(2.0 * (4.74 - e.x));
    }
    if (e.x < 4.24) {
        EndSequence(fade);
    }
}

void UpperSwitchFlight(Vec3& e, Vec3& dv, float& fade, double s) {
    Add(e.x, -0.01 * s);
    LookAt(e, dv, UPPER_SWITCH_TARGET);
    fade = 0.0f;
    if (e.x > -2.5) {
        fade = static_cast<float>(2.0 * (e.x + 2.5));
    }
    if (e.x < -3.78) {
        fade = static_cast<float>(2.0 * (-3.78 - e.x));
    }
    if (e.x < -4.28) {
        EndSequence(fade);
    }
}

void DrainFlight(Vec3& e, Vec3& dv, float& fade, double s) {
    Add(e.x, 0.007 * s);
    Add(e.z, 0.007 * s);
    LookAt(e, dv, DRAIN_TARGET);
    fade = 0.0f;
    if (e.x < -9.0) {
        fade = static_cast<float>(2.0 * (-e.x - 9.0));
    }
    if (e.x > -7.0) {
        fade = static_cast<float>(2.0 * (e.x + 7.0));
    }
    if (e.x > -6.5) {
        EndSequence(fade);
    }
}

void OpeningPan(Vec3& dv, float& fade, double s) {
    Add(dv.x, 0.003 * s);
    Add(dv.z, -0.003 * s);
    fade = 0.0f;
    if (dv.x < 0.15) {
        fade = static_cast<float>(6.6 * (0.15 - dv.x));
    }
    if (dv.x > 0.8) {
        fade = static_cast<float>(6.6 * (dv.x - 0.8));
    }
    if (dv.x > 0.95) {
        EndSequence(fade);
    }
}

} // namespace

int CameraSequenceStep(float speed) {
    Vec3& e = engine.cameraPosition;
    Vec3& dv = engine.cameraDirection;
    float& fade = engine.fadeLevel;
    int step = engine.cameraScriptStep;
    const double s = speed;

    if (step == 0) {
        OpeningStreet(e, dv, fade, step, s);
    }
    if (step == 1) {
        OpeningCourtyard(e, dv, fade, step, s);
    }
    if (step == 2) {
        OpeningHall(e, dv, fade, step, s);
    }
    if (step == 3) {
        OpeningOrbit(e, dv, fade, step, s);
    }
    if (step == 4) {
        EntranceSwitchFlight(e, dv, fade, s);
    }
    if (step == 5) {
        UpperSwitchFlight(e, dv, fade, s);
    }
    if (step == 6) {
        DrainFlight(e, dv, fade, s);
    }
    if (step == 7) {
        OpeningPan(dv, fade, s);
    }
    engine.cameraScriptStep = step;
    return 0;
}
