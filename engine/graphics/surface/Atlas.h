// A texture atlas: one image holding many frames, described by an XML file beside it.
//
// The description's root may have any name; its "rect" children are plain frames
// (id, x, y, width, height) and its "asset" children composite frames (id, rects, w, h) whose own
// "rect" children are the pieces (x, y, w, h, ax, ay, f = stored rotated). All rect frames are
// made before all asset frames, and the first frame of a name wins.
#pragma once

#include <map>

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "graphics/surface/AtlasSurface.h"

namespace Vorn {

class Atlas final : public RefCounter {
public:
    // Names compare byte by byte, the shorter first when one is a prefix of the other.
    typedef std::map<NarrowString, SmartPtr<AtlasSurface>> FrameMap;

    // Builds the whole atlas: the image is the first imageBase + image extension that exists,
    // loaded with suffix as its load options ("linear", "ck", ...); frames are named by their id,
    // followed by "@" and suffix when there is one. A missing or malformed description, or an
    // image that cannot be loaded, leaves the atlas empty and not loaded.
    Atlas(const NarrowString& descriptionPath, const NarrowString& imageBase, const NarrowString& suffix);
    ~Atlas() override;

    bool IsLoaded() const { return m_loaded; }
    Surface* GetImage() const { return m_image.Get(); }
    const FrameMap& GetFrames() const { return m_frames; }
    // The frame of that name, or null.
    AtlasSurface* GetFrame(const NarrowString& name) const;

    // The image of a name, shared through the asset dictionary's named assets: a live asset of
    // that name; else, with the name split at its last '@' into head and tail ('@' kept in the
    // tail), a live asset named head + extension + tail for each image extension in order; else
    // the surface loaded from the name as an asset spec, then named weakly. Without a dictionary
    // the surface is only loaded. Null when nothing loads.
    static SmartPtr<Surface> LoadImage(const NarrowString& name);

private:
    void ReadDescription(const NarrowString& path, const NarrowString& suffix);

    SmartPtr<Surface> m_image;
    FrameMap m_frames;
    bool m_loaded;
};

}  // namespace Vorn
