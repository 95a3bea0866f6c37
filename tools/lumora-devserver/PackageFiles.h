#pragma once
// Serving the packages: GET and HEAD of any file under the root (ranges
// answered with 206), and /software/595 redirecting to the newest package's
// digest address /<md5>/<name>.
#include <string>

#include "DevServer.h"

void AddPackageRoutes(httplib::Server& server, const DevServerOptions& options);

// The newest file DIR/<32 hex digits>/<name>, as the address path
// "/<md5>/<name>"; empty when there is none.
std::string NewestPackagePath(const std::string& root);
