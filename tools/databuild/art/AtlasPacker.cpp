#include "art/AtlasPacker.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <set>

namespace DataBuild {

namespace {

struct Placement {
    int x = 0, y = 0;
};

// Bottom-left skyline packing into a strip of the given width; returns the height used, or -1.
int PackInto(int width, int maxHeight, const std::vector<std::pair<int, int>>& sizes,
             std::vector<Placement>& placements)
{
    struct Segment {
        int x, y, width;
    };
    std::vector<Segment> skyline = {{0, 0, width}};
    placements.assign(sizes.size(), Placement());
    int used = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const int w = sizes[i].first, h = sizes[i].second;
        if (w > width)
            return -1;
        int bestY = INT_MAX, bestX = 0;
        size_t bestIndex = 0;
        for (size_t s = 0; s < skyline.size(); ++s) {
            if (skyline[s].x + w > width)
                break;
            // The rectangle rests on the highest segment it spans.
            int y = 0, spanned = 0;
            for (size_t k = s; k < skyline.size() && spanned < w; ++k) {
                y = std::max(y, skyline[k].y);
                spanned += skyline[k].width;
            }
            if (y < bestY) {
                bestY = y;
                bestX = skyline[s].x;
                bestIndex = s;
            }
        }
        if (bestY == INT_MAX || bestY + h > maxHeight)
            return -1;
        placements[i] = {bestX, bestY};
        used = std::max(used, bestY + h);
        // Replace the spanned part of the skyline by the rectangle's top.
        std::vector<Segment> next(skyline.begin(), skyline.begin() + bestIndex);
        next.push_back({bestX, bestY + h, w});
        const int right = bestX + w;
        for (size_t k = bestIndex; k < skyline.size(); ++k) {
            const int segmentRight = skyline[k].x + skyline[k].width;
            if (segmentRight <= right)
                continue;
            const int start = std::max(skyline[k].x, right);
            next.push_back({start, skyline[k].y, segmentRight - start});
        }
        // Merge neighbours of equal height.
        skyline.clear();
        for (const Segment& segment : next) {
            if (!skyline.empty() && skyline.back().y == segment.y)
                skyline.back().width += segment.width;
            else
                skyline.push_back(segment);
        }
    }
    return used;
}

} // namespace

std::string EscapeXml(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

namespace {

// Every entry has a picture of the first one's format and a name of its own.
bool CheckEntries(const std::vector<AtlasEntry>& entries, std::string& error)
{
    std::set<std::string> names;
    for (const AtlasEntry& entry : entries) {
        if (!entry.image || !entry.image->IsValid()) {
            error = entry.name + ": no picture";
            return false;
        }
        if (entry.image->GetFormat() != entries[0].image->GetFormat()) {
            error = entry.name + ": mixes colour and mask pictures";
            return false;
        }
        if (!names.insert(entry.name).second) {
            error = entry.name + ": named twice";
            return false;
        }
    }
    return true;
}

} // namespace

bool PackAtlas(const std::vector<AtlasEntry>& entries, int maxSize, int gap, PackedAtlas& atlas,
               std::string& error)
{
    atlas = PackedAtlas();
    if (entries.empty()) {
        error = "no pictures to pack";
        return false;
    }
    if (!CheckEntries(entries, error))
        return false;

    // Tallest first, then widest, then by name, so that the layout depends on nothing else.
    std::vector<size_t> order(entries.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const Canvas& ia = *entries[a].image;
        const Canvas& ib = *entries[b].image;
        if (ia.Height() != ib.Height())
            return ia.Height() > ib.Height();
        if (ia.Width() != ib.Width())
            return ia.Width() > ib.Width();
        return entries[a].name < entries[b].name;
    });
    std::vector<std::pair<int, int>> sizes;
    for (size_t i : order)
        sizes.push_back({entries[i].image->Width() + gap, entries[i].image->Height() + gap});

    long bestArea = -1;
    int bestWidth = 0, bestHeight = 0;
    std::vector<Placement> best, trial;
    int widest = 0;
    for (const auto& size : sizes)
        widest = std::max(widest, size.first);
    std::vector<int> widths;
    for (int width = (widest + 31) / 32 * 32; width < maxSize; width += 32)
        widths.push_back(width);
    widths.push_back(maxSize);
    for (int width : widths) {
        const int height = PackInto(width, maxSize, sizes, trial);
        if (height < 0)
            continue;
        const long area = static_cast<long>(width) * height;
        if (bestArea < 0 || area < bestArea) {
            bestArea = area;
            bestWidth = width;
            bestHeight = height;
            best = trial;
        }
    }
    if (bestArea < 0) {
        error = "pictures do not fit in " + std::to_string(maxSize) + " x " +
                std::to_string(maxSize);
        return false;
    }

    Canvas image(bestWidth, bestHeight, entries[0].image->GetFormat());
    if (!image.IsValid()) {
        error = "out of memory";
        return false;
    }
    for (size_t k = 0; k < order.size(); ++k) {
        const AtlasEntry& entry = entries[order[k]];
        // The gap lies left of and above each frame, so frames keep it from the image edges too.
        const int x = best[k].x + gap, y = best[k].y + gap;
        image.Put(*entry.image, x, y);
        atlas.frames.push_back({entry.name, x, y, entry.image->Width(), entry.image->Height()});
    }
    std::sort(atlas.frames.begin(), atlas.frames.end(),
              [](const AtlasFrame& a, const AtlasFrame& b) { return a.name < b.name; });
    atlas.image = std::move(image);
    return true;
}

std::string PackedAtlas::DescriptionXml() const
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<atlas>\n";
    for (const AtlasFrame& frame : frames) {
        xml += "  <rect id=\"" + EscapeXml(frame.name) + "\"";
        char numbers[96];
        std::snprintf(numbers, sizeof numbers, " x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"/>\n",
                      frame.x, frame.y, frame.width, frame.height);
        xml += numbers;
    }
    xml += "</atlas>\n";
    return xml;
}

} // namespace DataBuild
