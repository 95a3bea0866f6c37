// Messages from other processes through the user's runtime folder: the line
// protocol, the socket file, stale and foreign sockets, slow peers, and many
// senders at once.
#include "platform/MessageSocket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/TempHome.h"

using Platform::MessageSocket;

namespace {

constexpr const char* kName = "D1A547DB89C0BC61_Installer_lumoraapp";
constexpr uint32_t kMessage = 1224;
constexpr uint32_t kEnd = 7;  // a second accepted number that ends a batch

// What the service delivered, in order; written on the service's thread.
class Received {
public:
    void Add(uint32_t m) {
        std::lock_guard<std::mutex> guard(m_Lock);
        m_Messages.push_back(m);
        m_Changed.notify_all();
    }
    // Waits up to 10 s until `count` messages have come; false if they did not.
    bool WaitFor(size_t count) {
        std::unique_lock<std::mutex> lock(m_Lock);
        return m_Changed.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return m_Messages.size() >= count; });
    }
    std::vector<uint32_t> Get() {
        std::lock_guard<std::mutex> guard(m_Lock);
        return m_Messages;
    }

private:
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::vector<uint32_t> m_Messages;
};

class MessageSocketTest : public testing::Test {
protected:
    bool Start(std::string* err = nullptr) {
        return service.Start(
            kName, {kMessage, kEnd}, [this](uint32_t m) { received.Add(m); }, err);
    }
    // A raw client of the socket.
    static int Connect(const std::string& path) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            close(fd);
            return -1;
        }
        return fd;
    }
    static void Write(int fd, const std::string& bytes) {
        ASSERT_EQ(send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    MessageSocket service;
    Received received;
};

}  // namespace

TEST_F(MessageSocketTest, OnlyWholeLinesWithAnAcceptedNumberAreDelivered) {
    ASSERT_TRUE(Start());
    struct Case {
        const char* bytes;
        std::vector<uint32_t> delivered;
    } cases[] = {
        {"1224\n", {kMessage}},
        {"1224\r\n", {kMessage}},
        {"01224\n", {kMessage}},
        {"1224\n1224\n", {kMessage, kMessage}},
        {"1225\n", {}},   // not a message the service takes
        {" 1224\n", {}},  // nothing but digits on a line
        {"+1224\n", {}},
        {"1224 \n", {}},
        {"12a4\n", {}},
        {"\n", {}},
        {"4294968520\n", {}},  // 1224 + 2^32 does not wrap round
        {"1224\r\r\n", {}},
        // A line past the limit is ignored as a whole, and the next one counts.
        {"1224122412241224122412241224122412241224\n1224\n", {kMessage}},
    };
    size_t seen = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        int fd = Connect(service.Path());
        ASSERT_GE(fd, 0);
        Write(fd, std::string(c.bytes) + "7\n");
        ASSERT_TRUE(received.WaitFor(seen + c.delivered.size() + 1));
        std::vector<uint32_t> all = received.Get();
        std::vector<uint32_t> got(all.begin() + static_cast<long>(seen), all.end() - 1);
        EXPECT_EQ(got, c.delivered);
        EXPECT_EQ(all.back(), kEnd);
        seen = all.size();
        close(fd);
    }
    // A line cut by the end of the connection is not delivered.
    int fd = Connect(service.Path());
    Write(fd, "1224");
    close(fd);
    ASSERT_TRUE(Platform::SendSocketMessage(kName, kEnd));
    ASSERT_TRUE(received.WaitFor(seen + 1));
    EXPECT_EQ(received.Get().size(), seen + 1);
}

TEST_F(MessageSocketTest, TheSocketIsAPrivateFileNamedLikeTheLockAndGoesWithTheService) {
    ASSERT_TRUE(Start());
    const std::string expected =
        std::string(std::getenv("XDG_RUNTIME_DIR")) + "/" + kName + ".sock";
    EXPECT_EQ(service.Path(), expected);
    struct stat st {};
    ASSERT_EQ(lstat(expected.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_uid, getuid());
    service.Stop();
    EXPECT_NE(lstat(expected.c_str(), &st), 0);
    std::string err;
    EXPECT_FALSE(Platform::SendSocketMessage(kName, kMessage, &err));
    EXPECT_NE(err.find(expected), std::string::npos) << err;
}

TEST_F(MessageSocketTest, AStaleSocketIsReplacedAndALiveOneIsLeftAlone) {
    const std::string path = MessageSocket::SocketPath(kName);
    // A socket file whose process is gone: bound, never listened, closed.
    int stale = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    close(stale);
    std::string err;
    ASSERT_TRUE(Start(&err)) << err;
    ASSERT_TRUE(Platform::SendSocketMessage(kName, kMessage, &err)) << err;
    EXPECT_TRUE(received.WaitFor(1));

    MessageSocket second;
    EXPECT_FALSE(second.Start(
        kName, {kMessage}, [](uint32_t) {}, &err));
    EXPECT_NE(err.find("another process listens there"), std::string::npos) << err;
    // The first one still serves.
    ASSERT_TRUE(Platform::SendSocketMessage(kName, kMessage, &err)) << err;
    EXPECT_TRUE(received.WaitFor(2));
}

TEST_F(MessageSocketTest, WithoutAPrivateRuntimeFolderThereIsNoSocket) {
    const std::string home = testsupport::CurrentTestHome();
    const std::string open = home + "/open", file = home + "/file";
    testsupport::MakeDirs(open);
    chmod(open.c_str(), 0777);
    testsupport::WriteFile(file, "x");
    struct Case {
        bool unset;
        std::string runtime;
        const char* reason;
    } cases[] = {
        {true, "", "XDG_RUNTIME_DIR is not set"},
        {false, "", "XDG_RUNTIME_DIR is not set"},
        {false, open, "not a private folder of this user"},
        {false, file, "not a folder"},
        {false, home + "/missing", "not a folder"},
    };
    const std::string saved = std::getenv("XDG_RUNTIME_DIR");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.runtime);
        if (c.unset) {
            unsetenv("XDG_RUNTIME_DIR");
        } else {
            setenv("XDG_RUNTIME_DIR", c.runtime.c_str(), 1);
        }
        std::string err;
        EXPECT_FALSE(Start(&err));
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
        EXPECT_FALSE(service.Running());
        EXPECT_FALSE(Platform::SendSocketMessage(kName, kMessage, &err));
    }
    setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

TEST_F(MessageSocketTest, ASocketOfAnotherUserIsNeitherServedNorSentTo) {
    if (getuid() != 0) GTEST_SKIP() << "making a file of another user needs root";
    const std::string path = MessageSocket::SocketPath(kName);
    int foreign = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    ASSERT_EQ(bind(foreign, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(foreign, 1), 0);
    ASSERT_EQ(chown(path.c_str(), 4242, 4242), 0);
    std::string err;
    EXPECT_FALSE(Start(&err));
    EXPECT_NE(err.find("a socket of another user"), std::string::npos) << err;
    EXPECT_FALSE(Platform::SendSocketMessage(kName, kMessage, &err));
    EXPECT_NE(err.find("a socket of another user"), std::string::npos) << err;
    // Nothing was sent to it, and it is still there.
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0);
    close(foreign);
}

TEST_F(MessageSocketTest, APeerThatNeverEndsItsLineHoldsNothingAndIsClosedWhenIdle) {
    ASSERT_TRUE(Start());
    int slow = Connect(service.Path());
    ASSERT_GE(slow, 0);
    Write(slow, "12");
    // Others are served meanwhile, at once.
    ASSERT_TRUE(Platform::SendSocketMessage(kName, kMessage));
    ASSERT_TRUE(received.WaitFor(1));
    // After the idle limit the service hangs up on it: its read sees the end.
    timeval limit{MessageSocket::kIdleLimitMs / 1000 + 5, 0};
    setsockopt(slow, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    char c;
    EXPECT_EQ(read(slow, &c, 1), 0);
    close(slow);
    EXPECT_EQ(received.Get(), (std::vector<uint32_t>{kMessage}));
}

TEST_F(MessageSocketTest, WithEveryPlaceTakenANewSenderWaitsInsteadOfBeingLost) {
    ASSERT_TRUE(Start());
    std::vector<int> idle;
    for (int i = 0; i < MessageSocket::kMaxPeers; ++i) idle.push_back(Connect(service.Path()));
    // Queued until the idle peers are hung up on, then delivered.
    std::string err;
    ASSERT_TRUE(Platform::SendSocketMessage(kName, kMessage, &err)) << err;
    EXPECT_TRUE(received.WaitFor(1));
    EXPECT_EQ(received.Get(), (std::vector<uint32_t>{kMessage}));
    for (int fd : idle) close(fd);
}

TEST_F(MessageSocketTest, ManySendersAtOnceAreEachDeliveredExactlyOnce) {
    ASSERT_TRUE(Start());
    constexpr int kSenders = 4, kEach = 50;
    std::mutex failuresLock;
    std::vector<std::string> failures;
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([&] {
            for (int i = 0; i < kEach; ++i) {
                std::string err;
                if (!Platform::SendSocketMessage(kName, kMessage, &err)) {
                    std::lock_guard<std::mutex> guard(failuresLock);
                    failures.push_back(err);
                }
            }
        });
    }
    for (auto& t : senders) t.join();
    EXPECT_TRUE(failures.empty()) << failures.size() << " failed, first: " << failures.front();
    ASSERT_TRUE(received.WaitFor(kSenders * kEach)) << received.Get().size();
    // Everything sent has arrived; one more batch end shows nothing else comes.
    ASSERT_TRUE(Platform::SendSocketMessage(kName, kEnd));
    ASSERT_TRUE(received.WaitFor(kSenders * kEach + 1));
    std::vector<uint32_t> all = received.Get();
    EXPECT_EQ(all.size(), static_cast<size_t>(kSenders * kEach + 1));
    EXPECT_EQ(std::count(all.begin(), all.end(), kMessage), kSenders * kEach);
    // Stopped, the service hands over nothing more.
    service.Stop();
    EXPECT_FALSE(Platform::SendSocketMessage(kName, kMessage));
    EXPECT_EQ(received.Get().size(), all.size());
}
