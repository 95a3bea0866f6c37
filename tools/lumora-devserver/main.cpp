// lumora-devserver --root DIR [--port N] [--rate BYTES_PER_S] [--collect FILE] [--collect-fail]
#include <cstdio>
#include <string>

#include "DevServer.h"

int main(int argc, char** argv) {
    DevServerOptions options;
    std::string err;
    if (!ParseDevServerOptions(argc, argv, options, &err)) {
        std::fprintf(stderr,
                     "lumora-devserver: %s\nusage: lumora-devserver --root DIR [--port N] [--rate "
                     "BYTES_PER_S] [--collect FILE] [--collect-fail]\n",
                     err.c_str());
        return 2;
    }
    return RunDevServer(options);
}
