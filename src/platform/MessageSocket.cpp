#include "platform/MessageSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace Platform {

namespace {

bool Fail(std::string* err, const std::string& why) {
    if (err) *err = why;
    return false;
}

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

bool MakeAddress(const std::string& path, sockaddr_un* addr, std::string* err) {
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    if (path.size() >= sizeof addr->sun_path)
        return Fail(err, path + ": too long for a socket address");
    std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
    return true;
}

// The user id of the process at the other end of `fd`, or -1.
long PeerUid(int fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return -1;
    return static_cast<long>(cred.uid);
}

// A socket file at `path` that belongs to this user; false with the reason
// for anything else.
bool OwnSocketFile(const std::string& path, struct stat* st, std::string* err) {
    if (::lstat(path.c_str(), st) != 0) return Fail(err, SystemError(path));
    if (!S_ISSOCK(st->st_mode)) return Fail(err, path + ": not a socket");
    if (st->st_uid != ::getuid()) return Fail(err, path + ": a socket of another user");
    return true;
}

// Connects to the socket at `path`; -1 when nothing listens there.
int Connect(const std::string& path, std::string* err) {
    sockaddr_un addr;
    if (!MakeAddress(path, &addr, err)) return -1;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        Fail(err, SystemError("socket"));
        return -1;
    }
    // A service whose places are all taken keeps a connect (and a send)
    // waiting; not for ever.
    timeval limit{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        Fail(err, SystemError(path));
        ::close(fd);
        return -1;
    }
    return fd;
}

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Peer {
    int fd;
    int64_t lastHeard;
    std::string line;
    bool overlong = false;  // the current line passed the limit: ignored up to its LF
};

// The message number on `line` when it is one of `accepted`.
bool ParseLine(std::string line, const std::set<uint32_t>& accepted, uint32_t* message) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.size() > 10) return false;
    uint64_t v = 0;
    for (char c : line) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > UINT32_MAX || !accepted.count(static_cast<uint32_t>(v))) return false;
    *message = static_cast<uint32_t>(v);
    return true;
}

}  // namespace

std::string MessageSocket::SocketPath(const std::string& name, std::string* err) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) {
        Fail(err, "XDG_RUNTIME_DIR is not set");
        return {};
    }
    // Only a private folder keeps other users away from the socket.
    struct stat st {};
    if (::stat(runtime, &st) != 0 || !S_ISDIR(st.st_mode)) {
        Fail(err, std::string(runtime) + ": not a folder");
        return {};
    }
    if (st.st_uid != ::getuid() || (st.st_mode & (S_IWGRP | S_IWOTH))) {
        Fail(err, std::string(runtime) + ": not a private folder of this user");
        return {};
    }
    return std::string(runtime) + "/" + name + ".sock";
}

bool MessageSocket::Start(const std::string& name, std::set<uint32_t> accepted, Handler handler,
                          std::string* err) {
    if (Running()) return Fail(err, "already listening at " + m_Path);
    std::string path = SocketPath(name, err);
    if (path.empty()) return false;
    sockaddr_un addr;
    if (!MakeAddress(path, &addr, err)) return false;

    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!OwnSocketFile(path, &st, err)) return false;
        std::string why;
        int live = Connect(path, &why);
        if (live >= 0) {
            ::close(live);
            return Fail(err, path + ": another process listens there");
        }
        // Left by a process that ended.
        if (::unlink(path.c_str()) != 0) return Fail(err, SystemError(path));
    }

    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return Fail(err, SystemError("socket"));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        Fail(err, SystemError(path));
        ::close(fd);
        return false;
    }
    // The folder is private already; the file is too before anyone may connect.
    if (::chmod(path.c_str(), 0600) != 0 || ::lstat(path.c_str(), &st) != 0 ||
        ::listen(fd, kMaxPeers) != 0) {
        Fail(err, SystemError(path));
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    if (::pipe2(m_Wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        Fail(err, SystemError("pipe"));
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    m_Path = path;
    m_Listen = fd;
    m_Device = st.st_dev;
    m_Inode = st.st_ino;
    m_Accepted = std::move(accepted);
    m_Handler = std::move(handler);
    m_Thread = std::thread([this] { Serve(); });
    return true;
}

void MessageSocket::Stop() {
    if (!m_Thread.joinable()) return;
    char byte = 0;
    while (::write(m_Wake[1], &byte, 1) < 0 && errno == EINTR) {
    }
    m_Thread.join();
    ::close(m_Listen);
    ::close(m_Wake[0]);
    ::close(m_Wake[1]);
    m_Listen = m_Wake[0] = m_Wake[1] = -1;
    // Only the file this object made: a later service may have replaced it.
    struct stat st {};
    if (::lstat(m_Path.c_str(), &st) == 0 && st.st_dev == m_Device && st.st_ino == m_Inode)
        ::unlink(m_Path.c_str());
}

void MessageSocket::Serve() {
    std::vector<Peer> peers;
    const uid_t me = ::getuid();
    for (;;) {
        std::vector<pollfd> fds;
        fds.push_back({m_Wake[0], POLLIN, 0});
        // With every place taken, new peers wait in the listen queue.
        const bool room = static_cast<int>(peers.size()) < kMaxPeers;
        fds.push_back({room ? m_Listen : -1, POLLIN, 0});
        int64_t now = NowMs();
        int timeout = -1;
        for (const Peer& p : peers) {
            fds.push_back({p.fd, POLLIN, 0});
            int left = static_cast<int>(std::max<int64_t>(0, p.lastHeard + kIdleLimitMs - now));
            if (timeout < 0 || left < timeout) timeout = left;
        }
        int n = ::poll(fds.data(), fds.size(), timeout);
        if (n < 0 && errno != EINTR) break;
        if (fds[0].revents) break;
        now = NowMs();
        // Peers first: their indexes in `fds` follow the two fixed entries.
        std::vector<Peer> kept;
        for (size_t i = 0; i < peers.size(); ++i) {
            Peer& p = peers[i];
            bool open = true;
            if (n > 0 && fds[i + 2].revents) {
                char buf[256];
                ssize_t got = ::read(p.fd, buf, sizeof buf);
                if (got <= 0) {
                    open = got < 0 && (errno == EAGAIN || errno == EINTR);
                } else {
                    p.lastHeard = now;
                    for (ssize_t k = 0; k < got; ++k) {
                        char c = buf[k];
                        if (c == '\n') {
                            uint32_t message;
                            if (!p.overlong && ParseLine(p.line, m_Accepted, &message))
                                m_Handler(message);
                            p.line.clear();
                            p.overlong = false;
                        } else if (!p.overlong) {
                            p.line.push_back(c);
                            if (p.line.size() > kMaxLineLength) {
                                p.overlong = true;
                                p.line.clear();
                            }
                        }
                    }
                }
            }
            if (open && now - p.lastHeard >= kIdleLimitMs) open = false;
            if (open) {
                kept.push_back(std::move(p));
            } else {
                ::close(p.fd);
            }
        }
        peers.swap(kept);
        if (n > 0 && fds[1].revents) {
            while (static_cast<int>(peers.size()) < kMaxPeers) {
                int fd = ::accept4(m_Listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (fd < 0) break;
                if (PeerUid(fd) != static_cast<long>(me)) {
                    ::close(fd);
                    continue;
                }
                peers.push_back(Peer{fd, now, {}, false});
            }
        }
    }
    for (Peer& p : peers) ::close(p.fd);
}

bool SendSocketMessage(const std::string& name, uint32_t message, std::string* err) {
    std::string path = MessageSocket::SocketPath(name, err);
    if (path.empty()) return false;
    struct stat st {};
    if (!OwnSocketFile(path, &st, err)) return false;
    int fd = Connect(path, err);
    if (fd < 0) return false;
    if (PeerUid(fd) != static_cast<long>(::getuid())) {
        ::close(fd);
        return Fail(err, path + ": served by another user");
    }
    std::string line = std::to_string(message) + "\n";
    size_t done = 0;
    while (done < line.size()) {
        ssize_t w = ::send(fd, line.data() + done, line.size() - done, MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            Fail(err, SystemError(path));
            ::close(fd);
            return false;
        }
        done += static_cast<size_t>(w);
    }
    ::close(fd);
    return true;
}

}  // namespace Platform
