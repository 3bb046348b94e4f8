// vorn-corpus-check: holds the checks `vorn-pak extract` makes against a folder of real files
// (CORPUS/png.txt, ogg.txt and other.txt, one path a line, as the shared gather.sh writes them).
// Every PNG and Ogg file must pass under its own name; every other file is checked as if named .png
// and as if named .ogg, and what is refused is counted. Then each damage model is applied to each
// PNG and Ogg file a few times, one event at a time. An event that changes a byte inside the
// file's chunks or pages (as a walk of its own finds them) must be refused: one that passes is
// silent, unless it leaves a file that real writers make too (alike, counted by kind: a cut
// between pages, two streams' pages interleaved otherwise, a PNG that libpng reads whole or as it
// reads the file itself). The exit status is 1 when a file is refused or unreadable, or an event
// is silent.
//
//   vorn-corpus-check [--sample N] [--png-events N] [--ogg-events N] [--jobs N] [--seed S]
//                     [--examples N] CORPUS
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ContentCheck.h"

using Vorn::u32;
using Vorn::u8;

namespace {

typedef std::vector<u8> Bytes;

enum Kind { PNG, OGG, OTHER, KINDS };
const char* const KIND_NAMES[] = {"PNG", "Ogg", "other"};
const char* const LISTS[] = {"png.txt", "ogg.txt", "other.txt"};

enum Model {
    BIT, TWO_BITS, OVERWRITTEN, ZERO_SPAN, RANDOM_SPAN, FF_SPAN, ZERO_SECTOR, SECTOR_REPEATED, SECTOR_LOST,
    FIRST_ZEROED, SIGNATURE_ZEROED, UNIT_START_ZEROED, UNIT_REPEATED, UNIT_REMOVED, UNIT_SWAPPED, MODELS
};
const char* const MODEL_NAMES[] = {
    "one bit", "two bits", "4 bytes overwritten", "zeroed span (2-4096)", "random span (2-4096)",
    "0xFF span (2-4096)", "zeroed 512-byte sector", "512-byte sector repeated", "512-byte sector lost",
    "first 16 bytes zeroed", "2 signature/capture bytes zeroed", "first 4 bytes of a unit zeroed",
    "unit repeated", "unit removed", "unit swapped with the next"};

u32 BE32(const u8* p)
{
    return static_cast<u32>(p[0]) << 24 | static_cast<u32>(p[1]) << 16 | static_cast<u32>(p[2]) << 8 | p[3];
}

u32 LE32(const u8* p)
{
    return static_cast<u32>(p[3]) << 24 | static_cast<u32>(p[2]) << 16 | static_cast<u32>(p[1]) << 8 | p[0];
}

// One chunk or page, and its type (PNG) or stream (Ogg).
struct Unit {
    size_t start, end;
    u32 tag;
};

// Where a file's chunks or pages lie: from begin (the signature, or the first page) to end.
struct Layout {
    size_t begin = 0, end = 0;
    std::vector<Unit> units;
};

// The walks that judge where damage lands: written apart from the checks they judge.
bool WalkPng(const Bytes& d, Layout& out)
{
    static const char* const SIGNATURES[] = {"\x89PNG\r\n\x1a\n", "\x8aMNG\r\n\x1a\n", "\x8bJNG\r\n\x1a\n"};
    int which = 0;
    while (which < 3 && (d.size() < 8 || std::memcmp(d.data(), SIGNATURES[which], 8) != 0))
        ++which;
    if (which == 3)
        return false;
    const u32 end = BE32(reinterpret_cast<const u8*>(which == 1 ? "MEND" : "IEND"));
    for (size_t at = 8;;) {
        if (d.size() - at < 12)
            return false;
        const u32 length = BE32(&d[at]);
        if (length > 0x7fffffffu || length > d.size() - at - 12 ||
            crc32(0, &d[at + 4], length + 4) != BE32(&d[at + 8 + length]))
            return false;
        out.units.push_back({at, at + 12 + length, BE32(&d[at + 4])});
        at += 12 + length;
        if (out.units.back().tag == end) {
            out.end = at;
            return true;
        }
    }
}

u32 OggCrc(const u8* p, size_t n)
{
    static const std::vector<u32> TABLE = [] {
        std::vector<u32> t(256);
        for (u32 i = 0; i < 256; ++i) {
            u32 r = i << 24;
            for (int k = 0; k < 8; ++k)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04c11db7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    u32 crc = 0;
    for (size_t i = 0; i < n; ++i)
        crc = (crc << 8) ^ TABLE[(crc >> 24) ^ ((i >= 22 && i < 26) ? 0 : p[i])];
    return crc;
}

// The length of an intact page at at, or 0.
size_t OggPageAt(const Bytes& d, size_t at)
{
    if (at > d.size() || d.size() - at < 27 || std::memcmp(&d[at], "OggS", 5) != 0)
        return 0;
    size_t length = 27 + d[at + 26];
    if (length > d.size() - at)
        return 0;
    for (size_t i = 0; i < d[at + 26]; ++i)
        length += d[at + 27 + i];
    return length <= d.size() - at && OggCrc(&d[at], length) == LE32(&d[at + 22]) ? length : 0;
}

size_t Id3v2Size(const Bytes& d)
{
    if (d.size() < 10 || std::memcmp(d.data(), "ID3", 3) != 0 || ((d[6] | d[7] | d[8] | d[9]) & 0x80))
        return 0;
    return 10 + (d[5] & 0x10 ? 10 : 0) + (size_t(d[6]) << 21 | size_t(d[7]) << 14 | size_t(d[8]) << 7 | d[9]);
}

bool WalkOgg(const Bytes& d, Layout& out)
{
    size_t first = d.size();
    const size_t tag = Id3v2Size(d);
    if (OggPageAt(d, 0))
        first = 0;
    else if (tag && OggPageAt(d, tag))
        first = tag;
    for (size_t at = 0; first == d.size() && at + 27 <= d.size(); ++at) {
        const void* next = memmem(&d[at], d.size() - at, "OggS", 5);
        if (!next)
            break;
        at = static_cast<size_t>(static_cast<const u8*>(next) - d.data());
        if (OggPageAt(d, at))
            first = at;
    }
    if (first == d.size())
        return false;
    size_t at = first;
    for (size_t length; (length = OggPageAt(d, at)) > 0; at += length)
        out.units.push_back({at, at + length, LE32(&d[at + 14])});
    out.begin = first;
    out.end = at;
    return true;
}

// libpng's judgement, apart from the checks: what it says of the data read whole as a PNG, every
// CRC and every benign error taken as fatal; empty when it reads it whole.
struct PngRead {
    const Bytes* data;
    size_t at;
    std::string said;
};

void PngFail(png_structp png, png_const_charp message)
{
    static_cast<PngRead*>(png_get_error_ptr(png))->said = message ? message : "?";
    png_longjmp(png, 1);
}

void PngWarn(png_structp, png_const_charp) {}

void PngFeed(png_structp png, png_bytep out, size_t n)
{
    PngRead* r = static_cast<PngRead*>(png_get_io_ptr(png));
    if (n > r->data->size() - r->at)
        png_error(png, "short");
    std::memcpy(out, r->data->data() + r->at, n);
    r->at += n;
}

bool DecodePngRows(png_structp png, png_infop info, std::vector<u8>& row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    row.resize(png_get_rowbytes(png, info));
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < png_get_image_height(png, info); ++y)
            png_read_row(png, row.data(), nullptr);
    }
    png_read_end(png, info);
    return true;
}

std::string PngJudgement(const Bytes& d)
{
    PngRead source = {&d, 0, ""};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, &PngFail, &PngWarn);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return "no memory";
    }
    png_set_read_fn(png, &source, &PngFeed);
    png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_set_benign_errors(png, 0);
    png_set_user_limits(png, 1u << 14, 1u << 14);
    std::vector<u8> row;
    DecodePngRows(png, info, row);
    png_destroy_read_struct(&png, &info, nullptr);
    return source.said;
}

// One damage event: the damaged bytes, whether they differ inside the chunks or pages, and the
// kind of real file they look like when they can be told from none.
struct Event {
    Bytes bytes;
    bool counted = false;
    const char* alike = nullptr;
    size_t at = 0;
    std::string what; // the unit the event reached, for the report
};

size_t UnitAt(const Layout& l, size_t at)
{
    size_t i = 0;
    while (i + 1 < l.units.size() && l.units[i].end <= at)
        ++i;
    return i;
}

// A unit as the report names it: its number of all, its type or its stream's flags.
std::string UnitName(Kind kind, const Bytes& d, const Layout& l, size_t i)
{
    const Unit& u = l.units[i];
    std::string name = "unit " + std::to_string(i) + " of " + std::to_string(l.units.size()) + " ";
    if (kind == PNG)
        return name + std::string(reinterpret_cast<const char*>(&d[u.start + 4]), 4);
    return name + "flags " + std::to_string(d[u.start + 5]) + " serial " + std::to_string(u.tag) + " sequence " +
           std::to_string(LE32(&d[u.start + 18]));
}

const char* const CUT = "a cut between units";
const char* const NOTHING_LEFT = "nothing of the format left";

// Whether damage over [from, to) left nothing that marks the format: no chunk or page whole, no
// capture pattern, less than half of PNG's signature.
bool NothingLeft(Kind kind, const Layout& l, const Bytes& b, size_t from, size_t to)
{
    for (const Unit& u : l.units) {
        if (u.end <= from || u.start >= to)
            return false;
    }
    return kind == PNG ? from < 4 : memmem(b.data(), b.size(), "OggS", 4) == nullptr;
}

// The models that change bytes where they lie: in b, a copy of the file, over [from, to).
void Overwrite(int model, Kind kind, const Layout& l, size_t p, const Unit& u, Bytes& b, size_t& from, size_t& to,
               std::mt19937& rng)
{
    from = p;
    to = p + 1;
    auto fill = [&](size_t at, size_t n, int value) {
        from = at;
        to = std::min(b.size(), at + n);
        for (size_t i = from; i < to; ++i)
            b[i] = static_cast<u8>(value < 0 ? rng() : value);
    };
    const size_t span = 2 + rng() % 4095;
    const size_t spanStart = p - std::min(p, rng() % span);
    switch (model) {
    case BIT: b[p] ^= static_cast<u8>(1u << rng() % 8); break;
    case TWO_BITS: {
        const size_t q = l.begin + rng() % (l.end - l.begin);
        b[p] ^= static_cast<u8>(1u << rng() % 8);
        b[q] ^= static_cast<u8>(1u << rng() % 8);
        from = std::min(p, q);
        to = std::max(p, q) + 1;
        break;
    }
    case OVERWRITTEN: fill(p, 4, -1); break;
    case ZERO_SPAN: fill(spanStart, span, 0); break;
    case RANDOM_SPAN: fill(spanStart, span, -1); break;
    case FF_SPAN: fill(spanStart, span, 0xff); break;
    case ZERO_SECTOR: fill(p / 512 * 512, 512, 0); break;
    case FIRST_ZEROED: fill(l.begin, 16, 0); break;
    case SIGNATURE_ZEROED: {
        const size_t at = kind == PNG ? 0 : u.start, n = kind == PNG ? 8 : 4;
        const size_t i = rng() % n, j = (i + 1 + rng() % (n - 1)) % n;
        b[at + i] = b[at + j] = 0;
        from = at;
        to = at + n;
        break;
    }
    case UNIT_START_ZEROED: fill(u.start, 4, 0); break;
    default: break;
    }
}

// The models that move bytes: a sector repeated or lost, a unit repeated, removed or swapped with
// the next. Each is counted where it reaches the chunks or pages, and alike where real files look
// the same: a cut, two streams interleaved otherwise.
void Move(int model, Kind kind, const Bytes& d, const Layout& l, size_t p, size_t ui, Event& e)
{
    Bytes& b = e.bytes;
    const Unit& u = l.units[ui];
    const size_t s = p / 512 * 512, t = std::min(d.size(), s + 512);
    e.at = model == SECTOR_REPEATED || model == SECTOR_LOST ? s : u.start;
    if (model == SECTOR_REPEATED) {
        b.insert(b.begin() + t, d.begin() + s, d.begin() + t);
        e.counted = t > l.begin && t < l.end;
    } else if (model == SECTOR_LOST) {
        b.erase(b.begin() + s, b.begin() + t);
        e.counted = s < l.end && t > l.begin;
        if (NothingLeft(kind, l, b, s, t))
            e.alike = NOTHING_LEFT;
        else if (t == d.size() && std::any_of(l.units.begin(), l.units.end(), [s](const Unit& x) { return x.start == s; }))
            e.alike = CUT;
    } else if (model == UNIT_REPEATED) {
        b.insert(b.begin() + u.end, d.begin() + u.start, d.begin() + u.end);
        e.counted = u.end < l.end;
    } else if (model == UNIT_REMOVED) {
        b.erase(b.begin() + u.start, b.begin() + u.end);
        e.counted = true;
        if (ui + 1 == l.units.size() && l.end == d.size())
            e.alike = ui == 0 ? NOTHING_LEFT : CUT;
        else if (kind == OGG && l.end == d.size() &&
                 std::none_of(l.units.begin() + ui + 1, l.units.end(), [&u](const Unit& x) { return x.tag == u.tag; }))
            e.alike = "a stream's last page lost where a cut of another interleaving would take it";
    } else if (model == UNIT_SWAPPED && ui + 1 < l.units.size()) {
        const Unit& v = l.units[ui + 1];
        std::copy(d.begin() + v.start, d.begin() + v.end, b.begin() + u.start);
        std::copy(d.begin() + u.start, d.begin() + u.end, b.begin() + u.start + (v.end - v.start));
        e.counted = b != d;
        if (kind == OGG && u.tag != v.tag)
            e.alike = "two streams' pages interleaved otherwise";
    }
}

// One event of a model on the file d, somewhere inside its chunks or pages.
Event Damage(int model, Kind kind, const Bytes& d, const Layout& l, std::mt19937& rng)
{
    Event e;
    e.bytes = d;
    const size_t p = l.begin + rng() % (l.end - l.begin);
    const size_t ui = rng() % (model == UNIT_SWAPPED && l.units.size() > 1 ? l.units.size() - 1 : l.units.size());
    if (model == SECTOR_REPEATED || model == SECTOR_LOST || model >= UNIT_REPEATED) {
        Move(model, kind, d, l, p, ui, e);
        e.what = UnitName(kind, d, l, model >= UNIT_REPEATED ? ui : UnitAt(l, e.at));
        return e;
    }
    size_t from, to;
    Overwrite(model, kind, l, p, l.units[ui], e.bytes, from, to, rng);
    e.at = from;
    e.what = UnitName(kind, d, l, model >= SIGNATURE_ZEROED ? ui : UnitAt(l, from));
    for (size_t i = std::max(from, l.begin); i < std::min(to, l.end) && !e.counted; ++i)
        e.counted = e.bytes[i] != d[i];
    if (NothingLeft(kind, l, e.bytes, from, to))
        e.alike = NOTHING_LEFT;
    return e;
}

// What the threads found, counted under names ("PNG refused", "Ogg one bit events") and said in
// lines (refusals, silent events), added up once they end.
struct Counts {
    std::map<std::string, long> n;
    std::vector<std::string> refusals;
    std::vector<std::string> silent;  // "KIND MODEL: where"

    void Add(const Counts& o)
    {
        for (const auto& count : o.n)
            n[count.first] += count.second;
        refusals.insert(refusals.end(), o.refusals.begin(), o.refusals.end());
        silent.insert(silent.end(), o.silent.begin(), o.silent.end());
    }
    long operator[](const std::string& name) const { return n.count(name) ? n.at(name) : 0; }
};

struct Options {
    unsigned long sample = 0;
    unsigned long events[2] = {2, 10};
    unsigned long jobs = 0;
    unsigned long seed = 1;
    unsigned long examples = 5;
    std::string corpus;
};

bool ReadFile(const std::string& path, Bytes& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string Leaf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

// Each damage model's events on one file, judged: refused, alike (the kind counted), or silent.
void DamageFile(Kind kind, size_t index, const std::string& path, const Bytes& d, const Options& o, Counts& c)
{
    Layout layout;
    if (!(kind == PNG ? WalkPng(d, layout) : WalkOgg(d, layout)) || layout.units.empty()) {
        ++c.n[std::string(KIND_NAMES[kind]) + " unwalked"];
        return;
    }
    std::seed_seq seeds = {static_cast<unsigned>(o.seed), static_cast<unsigned>(kind), static_cast<unsigned>(index)};
    std::mt19937 rng(seeds);
    std::string why, original;
    bool judged = false;
    for (int model = 0; model < MODELS; ++model) {
        const std::string named = std::string(KIND_NAMES[kind]) + " " + MODEL_NAMES[model];
        for (unsigned long i = 0; i < o.events[kind]; ++i) {
            const Event e = Damage(model, kind, d, layout, rng);
            if (!e.counted)
                continue;
            ++c.n[named + " events"];
            if (!VornPak::CheckContent(Leaf(path), e.bytes.data(), e.bytes.size(), why))
                continue;
            const char* alike = e.alike;
            if (!alike && kind == PNG) {
                if (!judged)
                    original = PngJudgement(d);
                judged = true;
                const std::string judgement = PngJudgement(e.bytes);
                alike = judgement.empty()       ? "a PNG that libpng reads whole"
                        : judgement == original ? "a PNG that libpng reads as it reads the file"
                                                : nullptr;
            }
            ++c.n[named + (alike ? " alike" : " silent")];
            if (alike)
                ++c.n["alike " + named + ": " + alike];
            else
                c.silent.push_back(named + ": " + path + " at byte " + std::to_string(e.at) + ", " + e.what);
        }
    }
}

void CheckFile(Kind kind, size_t index, const std::string& path, const Options& o, Counts& c)
{
    Bytes d;
    if (!ReadFile(path, d)) {
        ++c.n["unreadable"];
        c.refusals.push_back("unreadable: " + path);
        return;
    }
    ++c.n[std::string(KIND_NAMES[kind]) + " files"];
    std::string why;
    // Under its own name and the other format's; other files under both formats' names.
    static const char* const NAMES[KINDS][2] = {{"", ".ogg"}, {"", ".png"}, {".png", ".ogg"}};
    for (const char* as : NAMES[kind]) {
        if (!VornPak::CheckContent(Leaf(path) + as, d.data(), d.size(), why)) {
            ++c.n[std::string(KIND_NAMES[kind]) + " refused" + as];
            c.refusals.push_back(std::string("refused") + (*as ? " as " : "") + as + ": " + path + ": " + why);
        }
    }
    if (kind != OTHER)
        DamageFile(kind, index, path, d, o, c);
}

void Print(const Counts& c, const Options& o)
{
    std::printf("Checked under their own names:\n");
    for (int k = 0; k < 2; ++k)
        std::printf("  %s: %ld files, %ld refused\n", KIND_NAMES[k], c[std::string(KIND_NAMES[k]) + " files"],
                    c[std::string(KIND_NAMES[k]) + " refused"]);
    std::printf("Under another format's name: other files (%ld) as .png %ld refused, as .ogg %ld refused; "
                "PNG files as .ogg %ld refused, Ogg files as .png %ld refused\n",
                c["other files"], c["other refused.png"], c["other refused.ogg"], c["PNG refused.ogg"],
                c["Ogg refused.png"]);
    std::vector<std::string> lines = c.refusals;
    std::sort(lines.begin(), lines.end());
    for (const std::string& line : lines)
        std::printf("  %s\n", line.c_str());
    std::printf("Damage, events that change a byte inside the chunks or pages (left out, no chunk or page walk "
                "from the start: %ld PNG, %ld Ogg):\n",
                c["PNG unwalked"], c["Ogg unwalked"]);
    std::printf("  %-36s %10s %7s %7s | %10s %7s %7s\n", "model", "PNG events", "silent", "alike", "Ogg events",
                "silent", "alike");
    long total[6] = {};
    for (int m = 0; m <= MODELS; ++m) {
        std::printf("  %-36s", m < MODELS ? MODEL_NAMES[m] : "all");
        for (int k = 0; k < 6; ++k) {
            const char* const WHAT[] = {" events", " silent", " alike"};
            const long n = m < MODELS ? c[std::string(KIND_NAMES[k / 3]) + " " + MODEL_NAMES[m] + WHAT[k % 3]] : total[k];
            total[k] += n;
            std::printf(" %*ld%s", k % 3 ? 7 : 10, n, k == 2 ? " |" : k == 5 ? "\n" : "");
        }
    }
    std::printf("Alike (the damaged file is one real writers make too):\n");
    for (const auto& count : c.n) {
        if (count.first.rfind("alike ", 0) == 0)
            std::printf("  %s: %ld\n", count.first.c_str() + 6, count.second);
    }
    lines = c.silent;
    std::sort(lines.begin(), lines.end());
    std::map<std::string, unsigned long> said;
    for (const std::string& line : lines) {
        if (++said[line.substr(0, line.find(": "))] <= o.examples)
            std::printf("silent: %s\n", line.c_str());
    }
}

bool ParseOptions(int argc, char** argv, Options& o)
{
    const std::pair<const char*, unsigned long*> VALUES[] = {
        {"--sample", &o.sample}, {"--png-events", &o.events[PNG]}, {"--ogg-events", &o.events[OGG]},
        {"--jobs", &o.jobs},     {"--seed", &o.seed},              {"--examples", &o.examples}};
    for (int i = 1; i < argc; ++i) {
        const auto value = std::find_if(std::begin(VALUES), std::end(VALUES),
                                        [&](const std::pair<const char*, unsigned long*>& v) { return !std::strcmp(v.first, argv[i]); });
        if (value != std::end(VALUES) && i + 1 < argc)
            *value->second = std::strtoul(argv[++i], nullptr, 10);
        else if (argv[i][0] != '-' && o.corpus.empty())
            o.corpus = argv[i];
        else
            return false;
    }
    return !o.corpus.empty();
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        std::fprintf(stderr, "usage: vorn-corpus-check [--sample N] [--png-events N] [--ogg-events N] [--jobs N] "
                             "[--seed S] [--examples N] CORPUS\n");
        return 2;
    }
    std::vector<std::pair<Kind, std::string>> work;
    for (int k = 0; k < KINDS; ++k) {
        std::ifstream list(o.corpus + "/" + LISTS[k]);
        if (!list) {
            std::fprintf(stderr, "vorn-corpus-check: cannot read %s/%s\n", o.corpus.c_str(), LISTS[k]);
            return 1;
        }
        std::vector<std::string> paths;
        for (std::string line; std::getline(list, line);) {
            if (!line.empty())
                paths.push_back(line[0] == '/' ? line : o.corpus + "/" + line);
        }
        if (o.sample > 0 && o.sample < paths.size()) {
            std::mt19937 rng(static_cast<unsigned>(o.seed));
            std::shuffle(paths.begin(), paths.end(), rng);
            paths.resize(o.sample);
        }
        for (std::string& path : paths)
            work.emplace_back(static_cast<Kind>(k), std::move(path));
    }
    std::atomic<size_t> next(0);
    std::mutex lock;
    Counts all;
    std::vector<std::thread> threads;
    for (unsigned long j = 0; j < (o.jobs ? o.jobs : std::max(1u, std::thread::hardware_concurrency())); ++j) {
        threads.emplace_back([&] {
            Counts mine;
            for (size_t i; (i = next++) < work.size();)
                CheckFile(work[i].first, i, work[i].second, o, mine);
            std::lock_guard<std::mutex> hold(lock);
            all.Add(mine);
        });
    }
    for (std::thread& t : threads)
        t.join();
    Print(all, o);
    return all["PNG refused"] + all["Ogg refused"] + all["unreadable"] + static_cast<long>(all.silent.size()) ? 1 : 0;
}
