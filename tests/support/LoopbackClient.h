// A plain POSIX TCP client on 127.0.0.1 for tests of the remote console: sends text and collects
// the "\r\n"-terminated lines it receives, running a pump (the application's frames) while it
// waits. Every wait is bounded.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace VornTest {

class LoopbackClient {
public:
    explicit LoopbackClient(int port);
    ~LoopbackClient();
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool IsConnected() const { return m_connected; }
    // True once the console closed the connection.
    bool IsClosed() const { return m_closed; }
    void Send(const std::string& text);
    void Close();
    // Up to count lines (without "\r\n"), waiting at most seconds; pump runs between polls.
    std::vector<std::string> ReadLines(size_t count, const std::function<void()>& pump, int seconds = 5);
    // Lines up to and including the first that equals last.
    std::vector<std::string> ReadUntil(const std::string& last, const std::function<void()>& pump);

    // A port nobody listens on at the moment of the call (the system's choice).
    static int FreePort();

private:
    int m_fd = -1;
    bool m_connected = false;
    bool m_closed = false;
    std::string m_pending;
    std::vector<std::string> m_lines;
};

}  // namespace VornTest
