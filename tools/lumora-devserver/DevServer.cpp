#include "DevServer.h"

#include <httplib.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "PackageFiles.h"
#include "collector/Collector.h"

bool ParseDevServerOptions(int argc, char** argv, DevServerOptions& o, std::string* err) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                *err = std::string(name) + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        if (a == "--root") {
            const char* v = value("--root");
            if (!v) return false;
            o.root = v;
        } else if (a == "--port") {
            const char* v = value("--port");
            if (!v) return false;
            char* end = nullptr;
            long p = std::strtol(v, &end, 10);
            if (*end || p < 0 || p > 65535) {
                *err = "--port must be 0..65535";
                return false;
            }
            o.port = static_cast<int>(p);
        } else if (a == "--rate") {
            const char* v = value("--rate");
            if (!v) return false;
            char* end = nullptr;
            unsigned long long r = std::strtoull(v, &end, 10);
            if (*end) {
                *err = "--rate must be a number of bytes per second";
                return false;
            }
            o.rateBytesPerSecond = r;
        } else if (a == "--collect") {
            const char* v = value("--collect");
            if (!v) return false;
            o.collectFile = v;
        } else if (a == "--collect-fail") {
            o.collectFail = true;
        } else {
            *err = "unknown option " + a;
            return false;
        }
    }
    std::error_code ec;
    if (o.root.empty() || !std::filesystem::is_directory(o.root, ec)) {
        *err = "--root DIR must name a folder";
        return false;
    }
    return true;
}

int RunDevServer(const DevServerOptions& options) {
    // SIGINT and SIGTERM are taken by a thread of ours, which stops the
    // server; the listening thread never sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    httplib::Server server;
    AddPackageRoutes(server, options);
    collector::Collector collector(options.collectFile, options.collectFail);
    const bool collecting = !options.collectFile.empty() || options.collectFail;
    if (collecting) collector.Mount(server);

    int port = options.port;
    if (port == 0) {
        port = server.bind_to_any_port("127.0.0.1");
        if (port < 0) {
            std::fprintf(stderr, "lumora-devserver: cannot bind 127.0.0.1\n");
            return 1;
        }
    } else if (!server.bind_to_port("127.0.0.1", port)) {
        std::fprintf(stderr, "lumora-devserver: cannot bind 127.0.0.1:%d\n", port);
        return 1;
    }
    std::printf("http://127.0.0.1:%d/\n", port);
    std::fflush(stdout);
    std::fprintf(
        stderr,
        "lumora-devserver: serving %s; the newest package at http://127.0.0.1:%d/software/595\n",
        options.root.c_str(), port);
    if (collecting)
        std::fprintf(stderr,
                     "lumora-devserver: analytics collector at http://127.0.0.1:%d/collect%s%s\n",
                     port, options.collectFail ? " (answering 500)" : ", records to ",
                     options.collectFail ? "" : options.collectFile.c_str());

    std::thread stopper([&server, stopSignals] {
        int sig = 0;
        sigwait(&stopSignals, &sig);
        server.stop();
    });
    const bool ok = server.listen_after_bind();
    // Ended by something other than a signal: wake the stopper.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    return ok ? 0 : 1;
}
