#pragma once
// The development server: the product's packages over HTTP on 127.0.0.1,
// for the demo and the end-to-end tests. Routes are added by one function
// per concern, so a new concern (an analytics collector, say) adds its own
// options, its AddXxxRoutes function and one call in RunDevServer.
#include <cstdint>
#include <string>

namespace httplib {
class Server;
}

struct DevServerOptions {
    std::string root;                 // --root DIR: packages live in DIR/<md5>/<name>
    int port = 0;                     // --port N; 0 picks a free port
    uint64_t rateBytesPerSecond = 0;  // --rate: body bytes per second per response; 0 unlimited
    std::string
        collectFile;  // --collect FILE: analytics collector on /collect, records appended as JSONL
    bool collectFail = false;  // --collect-fail: the collector answers every batch with 500
};

// Parses the command line into `options`; false with a message in *err.
bool ParseDevServerOptions(int argc, char** argv, DevServerOptions& options, std::string* err);

// Binds 127.0.0.1, prints the address ("http://127.0.0.1:PORT/") as the first
// line of standard output, serves until SIGINT or SIGTERM. Returns the exit
// status.
int RunDevServer(const DevServerOptions& options);
