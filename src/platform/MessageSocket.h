#pragma once
// Numbered messages from other processes of the same user: a Unix stream
// socket at $XDG_RUNTIME_DIR/<name>.sock, mode 0600, named like the
// single-instance lock of that name.
//
// Protocol: a client connects and writes lines, each the decimal number of a
// message followed by LF (one CR before the LF is allowed), e.g. "1224\n".
// A number the service does not accept, anything else on a line, and lines
// longer than kMaxLineLength are ignored; the connection stays usable. The
// service never answers. A peer of another user is refused; a peer that
// sends nothing for kIdleLimitMs is closed; at most kMaxPeers are served at
// once (later ones wait in the listen queue), so no peer holds the service
// for longer than that limit.
//
// Without a usable runtime folder (unset, not a folder of this user, or
// writable by others) there is no socket: Start fails with the reason.
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <thread>

namespace Platform {

class MessageSocket {
public:
    static constexpr size_t kMaxLineLength = 32;
    static constexpr int kIdleLimitMs = 5000;
    static constexpr int kMaxPeers = 16;

    // Called on the service's own thread, once per accepted message.
    using Handler = std::function<void(uint32_t message)>;

    MessageSocket() = default;
    ~MessageSocket() { Stop(); }
    MessageSocket(const MessageSocket&) = delete;
    MessageSocket& operator=(const MessageSocket&) = delete;

    // Listens at SocketPath(name) for the numbers in `accepted`. A socket
    // left there by an ended process of this user is replaced; one that a
    // live process serves, or one of another user, is not (false, reason in
    // *err). Any thread; once.
    bool Start(const std::string& name, std::set<uint32_t> accepted, Handler handler,
               std::string* err);
    // Ends the service: no handler runs after it returns; removes the
    // socket it made. Not from the handler.
    void Stop();
    bool Running() const { return m_Thread.joinable(); }
    const std::string& Path() const { return m_Path; }

    // $XDG_RUNTIME_DIR/<name>.sock, or empty when there is no usable
    // runtime folder (reason in *err).
    static std::string SocketPath(const std::string& name, std::string* err = nullptr);

private:
    void Serve();

    std::string m_Path;
    std::set<uint32_t> m_Accepted;
    Handler m_Handler;
    int m_Listen = -1;
    int m_Wake[2] = {-1, -1};
    uint64_t m_Device = 0, m_Inode = 0;  // the socket file this object made
    std::thread m_Thread;
};

// Sends message number `message` to the service of `name` (the sender of the
// protocol above). False with the reason when nothing of this user listens
// there.
bool SendSocketMessage(const std::string& name, uint32_t message, std::string* err = nullptr);

}  // namespace Platform
