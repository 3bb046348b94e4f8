#include "XmWriter.h"

#include <algorithm>

namespace XmTest {

namespace {

void Put8(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
}

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    Put8(out, v);
    Put8(out, v >> 8);
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xffff);
    Put16(out, v >> 16);
}

void PutText(std::vector<uint8_t>& out, const std::string& text, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

std::vector<uint8_t> Pack(const Pattern& pattern, uint16_t channels)
{
    if (pattern.useRaw)
        return pattern.raw;
    std::vector<uint8_t> out;
    for (uint16_t row = 0; row < pattern.rows; ++row) {
        for (uint16_t c = 0; c < channels; ++c) {
            Cell cell;
            if (row < pattern.cells.size() && c < pattern.cells[row].size())
                cell = pattern.cells[row][c];
            if (cell.full && cell.note && cell.note < 0x80) {
                out.insert(out.end(), {cell.note, cell.instrument, cell.volume, cell.effect, cell.parameter});
                continue;
            }
            uint8_t mask = 0x80;
            mask |= cell.note ? 1 : 0;
            mask |= cell.instrument ? 2 : 0;
            mask |= cell.volume ? 4 : 0;
            mask |= cell.effect ? 8 : 0;
            mask |= cell.parameter ? 16 : 0;
            out.push_back(mask);
            for (uint8_t field : {cell.note, cell.instrument, cell.volume, cell.effect, cell.parameter}) {
                if (field)
                    out.push_back(field);
            }
        }
    }
    return out;
}

std::vector<uint8_t> SampleData(const Sample& sample)
{
    std::vector<uint8_t> out;
    int previous = 0;
    for (int16_t v : sample.values) {
        if (sample.wide) {
            Put16(out, static_cast<uint16_t>(v - previous));
            previous = v;
        } else {
            const int high = v >> 8;
            Put8(out, static_cast<uint8_t>(high - previous));
            previous = high;
        }
    }
    return out;
}

} // namespace

Pattern OneCell(uint16_t rows, uint16_t row, uint16_t channel, const Cell& cell)
{
    Pattern p;
    p.rows = rows;
    p.cells.resize(row + 1);
    p.cells[row].resize(channel + 1);
    p.cells[row][channel] = cell;
    return p;
}

std::vector<uint8_t> Write(const Module& module)
{
    std::vector<uint8_t> out;
    PutText(out, "Extended Module: ", 17);
    PutText(out, module.name, 20);
    Put8(out, 0x1a);
    PutText(out, "xm writer", 20);
    Put16(out, 0x0104);
    Put32(out, 276);
    Put16(out, module.songLength ? module.songLength : static_cast<uint16_t>(module.orders.size()));
    Put16(out, 0);
    Put16(out, module.channels);
    Put16(out, static_cast<uint16_t>(module.patterns.size()));
    Put16(out, static_cast<uint16_t>(module.instruments.size()));
    Put16(out, 1);
    Put16(out, module.speed);
    Put16(out, module.bpm);
    for (size_t i = 0; i < 256; ++i)
        Put8(out, i < module.orders.size() ? module.orders[i] : 0);
    for (const Pattern& pattern : module.patterns) {
        const std::vector<uint8_t> packed = Pack(pattern, module.channels);
        Put32(out, 9);
        Put8(out, 0);
        Put16(out, pattern.rows);
        Put16(out, static_cast<uint16_t>(packed.size()));
        out.insert(out.end(), packed.begin(), packed.end());
    }
    for (const Instrument& instrument : module.instruments) {
        std::vector<uint8_t> header;
        PutText(header, instrument.name, 22);
        Put8(header, 0);
        Put16(header, static_cast<uint16_t>(instrument.samples.size()));
        Put32(header, instrument.sampleHeaderSize);
        header.insert(header.end(), instrument.map, instrument.map + 96);
        for (size_t i = 0; i < 12; ++i) {
            const bool has = i < instrument.volume.points.size();
            Put16(header, has ? instrument.volume.points[i].first : 0);
            Put16(header, has ? instrument.volume.points[i].second : 0);
        }
        header.insert(header.end(), 48, 0);
        const Envelope& e = instrument.volume;
        Put8(header, e.pointCount == 0xff ? static_cast<uint8_t>(e.points.size()) : e.pointCount);
        Put8(header, 0);
        Put8(header, e.sustain);
        Put8(header, 0);
        Put8(header, 0);
        Put8(header, 0);
        Put8(header, 0);
        Put8(header, 0);
        Put8(header, e.type);
        header.insert(header.end(), 5, 0);
        Put16(header, 0);
        header.insert(header.end(), 22, 0);
        const uint32_t size = instrument.headerSize ? instrument.headerSize : static_cast<uint32_t>(header.size() + 4);
        Put32(out, size);
        // A header size below the fields cuts them; one above adds padding.
        const size_t written = std::min<size_t>(header.size(), size >= 4 ? size - 4 : 0);
        out.insert(out.end(), header.begin(), header.begin() + std::max<size_t>(written, 25));
        if (size > header.size() + 4)
            out.insert(out.end(), size - header.size() - 4, 0xEE);
        for (const Sample& s : instrument.samples) {
            std::vector<uint8_t> h;
            const uint32_t unit = s.wide ? 2 : 1;
            const uint32_t bytes = s.claimedBytes >= 0 ? static_cast<uint32_t>(s.claimedBytes)
                                                       : static_cast<uint32_t>(s.values.size() * unit);
            Put32(h, bytes);
            Put32(h, s.loopStart * unit);
            Put32(h, s.loopLength * unit);
            Put8(h, s.volume);
            Put8(h, static_cast<uint8_t>(s.finetune));
            Put8(h, s.loopType | (s.wide ? 0x10 : 0));
            Put8(h, 128);
            Put8(h, static_cast<uint8_t>(s.relativeNote));
            Put8(h, 0);
            PutText(h, "sample", 22);
            h.resize(instrument.sampleHeaderSize, 0);
            out.insert(out.end(), h.begin(), h.end());
        }
        for (const Sample& s : instrument.samples) {
            const std::vector<uint8_t> data = SampleData(s);
            out.insert(out.end(), data.begin(), data.end());
        }
    }
    return out;
}

} // namespace XmTest
