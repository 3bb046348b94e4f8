// The game's six sounds, composed and synthesised in code: two looping pieces of music (one bright
// for the everyday themes, one eerie for the Halloween-like ones) and four short effects.
#pragma once

#include "Synth.h"

#include <string>
#include <vector>

namespace DataBuild {

struct GameSound {
    const char* name; // the game plays "sounds/<name>.ogg" from the common archive
    bool loops;       // music: the end runs seamlessly into the start
    float peakDb;     // peak level of the rendered samples, dBFS
    Synth::Track (*render)();
};

// The highest peak any sound may reach once encoded, dBFS; the rendered peaks stay below it, with
// room for the encoder's overshoot.
const float SOUND_PEAK_LIMIT_DB = -3.0f;

// music, musichelloween, drop, single, whole, eraser.
const std::vector<GameSound>& GameSounds();

// Renders a sound and brings it to its peak level.
Synth::Track RenderGameSound(const GameSound& sound);

// Checks that the scores of the two pieces parse: known chords, notes filling every bar. False with
// the reason otherwise (the pieces would then miss notes).
bool CheckScores(std::string& error);

// Parses a note name such as "C4", "F#5" or "Bb3" into a MIDI note number (C4 = 60); -1 when the
// name is not a note.
int ParseNoteName(const std::string& name);

} // namespace DataBuild
