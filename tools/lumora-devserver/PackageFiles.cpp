#include "PackageFiles.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

namespace {

bool IsDigestName(const std::string& s) {
    return s.size() == 32 && std::all_of(s.begin(), s.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c));
           });
}

// The file for an address path, or empty when it is outside the root or no
// regular file.
fs::path FileFor(const std::string& root, const std::string& urlPath) {
    fs::path rel = fs::path(urlPath).relative_path().lexically_normal();
    if (rel.empty() || *rel.begin() == "..") return {};
    fs::path p = fs::path(root) / rel;
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) return {};
    return p;
}

}  // namespace

std::string NewestPackagePath(const std::string& root) {
    std::error_code ec;
    fs::path best;
    fs::file_time_type bestTime{};
    for (const auto& dir : fs::directory_iterator(root, ec)) {
        if (!dir.is_directory(ec) || !IsDigestName(dir.path().filename().string())) continue;
        for (const auto& f : fs::directory_iterator(dir.path(), ec)) {
            if (!f.is_regular_file(ec)) continue;
            auto t = f.last_write_time(ec);
            if (best.empty() || t > bestTime) {
                best = f.path();
                bestTime = t;
            }
        }
    }
    if (best.empty()) return {};
    std::string path(1, '/');
    path += best.parent_path().filename().string();
    path += '/';
    path += best.filename().string();
    return path;
}

void AddPackageRoutes(httplib::Server& server, const DevServerOptions& options) {
    const std::string root = options.root;
    const uint64_t rate = options.rateBytesPerSecond;

    server.Get("/software/595", [root](const httplib::Request& req, httplib::Response& res) {
        const std::string newest = NewestPackagePath(root);
        if (newest.empty()) {
            res.status = 404;
            res.set_content("no package under " + root + "\n", "text/plain");
            return;
        }
        // An absolute address: every HTTP stack follows it the same way.
        const std::string host = req.get_header_value("Host");
        res.set_redirect(host.empty() ? newest : "http://" + host + newest, 302);
    });

    // GET (and HEAD, which the library routes here without a body) of a
    // file; the library cuts the body to a requested range and answers 206.
    server.Get(R"(/.+)", [root, rate](const httplib::Request& req, httplib::Response& res) {
        const fs::path file = FileFor(root, req.path);
        if (file.empty()) {
            res.status = 404;
            res.set_content("not found\n", "text/plain");
            return;
        }
        std::error_code ec;
        const uint64_t size = fs::file_size(file, ec);
        auto in = std::make_shared<std::ifstream>(file, std::ios::binary);
        res.set_header("Accept-Ranges", "bytes");
        res.set_content_provider(
            size, "application/octet-stream",
            [in, rate](size_t offset, size_t length, httplib::DataSink& sink) {
                // At most 64 KiB per call; with a rate, a tenth of a second's worth.
                size_t chunk = std::min<size_t>(length, 65536);
                if (rate > 0) chunk = std::min<size_t>(chunk, std::max<uint64_t>(1, rate / 10));
                std::string buf(chunk, '\0');
                in->clear();
                in->seekg(static_cast<std::streamoff>(offset));
                in->read(buf.data(), static_cast<std::streamsize>(chunk));
                const auto got = static_cast<size_t>(in->gcount());
                if (got == 0) return false;
                if (!sink.write(buf.data(), got)) return false;
                if (rate > 0)
                    std::this_thread::sleep_for(std::chrono::microseconds(got * 1000000 / rate));
                return true;
            });
    });
}
