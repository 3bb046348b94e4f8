// Writes small XM modules for the module player's tests: patterns given cell by cell, instruments
// with 8- or 16-bit samples, loops and volume envelopes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace XmTest {

struct Cell {
    uint8_t note = 0;
    uint8_t instrument = 0;
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t parameter = 0;
    // Written as the five bytes unpacked, instead of with a mask byte.
    bool full = false;
};

struct Pattern {
    uint16_t rows = 0;
    std::vector<std::vector<Cell> > cells;  // [row][channel]; missing cells are empty
    // Set to write these bytes as the packed data instead of the cells.
    std::vector<uint8_t> raw;
    bool useRaw = false;
};

struct Sample {
    std::vector<int16_t> values;  // for 8-bit samples, the high bytes count
    bool wide = false;
    uint32_t loopStart = 0;       // in samples
    uint32_t loopLength = 0;
    uint8_t loopType = 0;         // 0 none, 1 forward, 2 ping-pong
    uint8_t volume = 64;
    int8_t finetune = 0;
    int8_t relativeNote = 0;
    // Byte length written in the header instead of the data's (the data is still written).
    int64_t claimedBytes = -1;
};

struct Envelope {
    std::vector<std::pair<uint16_t, uint16_t> > points;
    uint8_t pointCount = 0xff;     // 0xff: the number of points
    uint8_t sustain = 0;
    uint8_t type = 0;              // bit 0 on, bit 1 sustain
};

struct Instrument {
    std::string name = "instrument";
    std::vector<Sample> samples;
    Envelope volume;
    uint8_t map[96] = {};
    uint32_t headerSize = 263;     // 0: the size of the fields written
    uint32_t sampleHeaderSize = 40;
};

struct Module {
    std::string name = "test";
    uint16_t channels = 1;
    uint16_t speed = 1;
    uint16_t bpm = 125;
    std::vector<uint8_t> orders = {0};
    uint16_t songLength = 0;       // 0: the number of orders
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

std::vector<uint8_t> Write(const Module& module);

// A pattern of rows rows with one cell set.
Pattern OneCell(uint16_t rows, uint16_t row, uint16_t channel, const Cell& cell);

} // namespace XmTest
