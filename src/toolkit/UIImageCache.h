#pragma once
// Decoded skin images. Each file (with its mask colour) is read from the
// resource manager and decoded once, then kept for the process.
#include <cairo.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/UIBase.h"

namespace Toolkit {

// A decoded image (ARGB32 premultiplied) shared through the cache.
struct TImageData {
    cairo_surface_t* surface = nullptr;
    int width = 0, height = 0;
    ~TImageData();
};

// UI thread only.
class CImageCache {
public:
    static CImageCache& Instance();
    // Null when the file cannot be found or decoded (logged once per name).
    std::shared_ptr<TImageData> Get(const std::wstring& file, bool hasMask, UIColor mask);
    void Clear();
    size_t Size() const { return m_Images.size(); }

private:
    std::map<std::string, std::shared_ptr<TImageData>> m_Images;
    std::map<std::string, bool> m_Missing;
};

// Decodes PNG bytes into an ARGB32 surface; null on any error.
cairo_surface_t* DecodePng(const std::vector<uint8_t>& bytes);

// A new ARGB32 image surface with the pixels of `argb` (an image surface).
cairo_surface_t* CopyImageSurface(cairo_surface_t* argb);

}  // namespace Toolkit
