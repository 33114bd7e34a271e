// The scripted camera: the opening flight over the level (steps 0, 1, 2, 3, 7) and the three
// short flights that switches start (steps 4, 5, 6), with their fades.
#pragma once

// Advances the scripted camera and the fade overlay by one frame; returns 0.
int CameraSequenceStep(float speed);
