#include "toolkit/UIImageCache.h"

#include <cstdio>
#include <cstring>

#include "toolkit/UIResource.h"
#include "utils/Log.h"

namespace Toolkit {

TImageData::~TImageData() {
    if (surface) cairo_surface_destroy(surface);
}

namespace {

struct PngReader {
    const std::vector<uint8_t>* bytes;
    size_t offset;
};

cairo_status_t ReadPngChunk(void* closure, unsigned char* data, unsigned int length) {
    auto* r = static_cast<PngReader*>(closure);
    if (r->offset + length > r->bytes->size()) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, r->bytes->data() + r->offset, length);
    r->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

cairo_surface_t* CopyImageSurface(cairo_surface_t* argb) {
    int w = cairo_image_surface_get_width(argb), h = cairo_image_surface_get_height(argb);
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(copy);
    cairo_set_source_surface(cr, argb, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    return copy;
}

cairo_surface_t* DecodePng(const std::vector<uint8_t>& bytes) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 8 || std::memcmp(bytes.data(), kSignature, 8) != 0) return nullptr;
    PngReader reader{&bytes, 0};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(ReadPngChunk, &reader);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    // Everything is drawn from ARGB32 so masks and pixel tests see one format.
    if (cairo_image_surface_get_format(s) != CAIRO_FORMAT_ARGB32) {
        int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
        cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        cairo_t* cr = cairo_create(argb);
        cairo_set_source_surface(cr, s, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(s);
        s = argb;
    }
    return s;
}

CImageCache& CImageCache::Instance() {
    static CImageCache cache;
    return cache;
}

std::shared_ptr<TImageData> CImageCache::Get(const std::wstring& file, bool hasMask, UIColor mask) {
    if (file.empty()) return nullptr;
    std::string key = CSkinArchive::NormaliseKey(file);
    if (hasMask) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "|%08X", mask);
        key += buf;
    }
    auto it = m_Images.find(key);
    if (it != m_Images.end()) return it->second;
    if (m_Missing.count(key)) return nullptr;
    std::vector<uint8_t> bytes;
    cairo_surface_t* s = nullptr;
    if (CResourceManager::Instance().ReadFile(file, &bytes)) s = DecodePng(bytes);
    if (!s) {
        LOG(L"image not available: %ls", file.c_str());
        m_Missing[key] = true;
        return nullptr;
    }
    if (hasMask) {
        cairo_surface_flush(s);
        int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
        int stride = cairo_image_surface_get_stride(s);
        unsigned char* data = cairo_image_surface_get_data(s);
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
            for (int x = 0; x < w; ++x) {
                if ((row[x] >> 24) == 0xFF && (row[x] & 0xFFFFFF) == (mask & 0xFFFFFF)) row[x] = 0;
            }
        }
        cairo_surface_mark_dirty(s);
    }
    auto img = std::make_shared<TImageData>();
    img->surface = s;
    img->width = cairo_image_surface_get_width(s);
    img->height = cairo_image_surface_get_height(s);
    m_Images[key] = img;
    return img;
}

void CImageCache::Clear() {
    m_Images.clear();
    m_Missing.clear();
}

}  // namespace Toolkit
