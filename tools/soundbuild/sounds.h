// The seven sounds of the game, each made from nothing but its seed and its length.
#pragma once

#include "synth.h"

// Barking dogs in the distance: a loop of size samples at rate.
Signal MakeDogs(double rate, size_t size);
// Birdsong: a loop.
Signal MakeBirds(double rate, size_t size);
// Wind in gusts: a loop.
Signal MakeWind(double rate, size_t size);
// A door latch closing: a one-shot.
Signal MakeDoor(double rate, size_t size);
// A rising three-note tone for a code accepted or a switch turned on.
Signal MakeCodeTone(double rate, size_t size);
// A lower falling two-note tone for off.
Signal MakeOffTone(double rate, size_t size);
// A short button click.
Signal MakeButton(double rate, size_t size);
