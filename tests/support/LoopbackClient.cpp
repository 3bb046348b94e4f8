#include "support/LoopbackClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace VornTest {

LoopbackClient::LoopbackClient(int port)
{
    m_fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    m_connected = m_fd >= 0 &&
                  connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
}

LoopbackClient::~LoopbackClient()
{
    Close();
}

void LoopbackClient::Close()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}

void LoopbackClient::Send(const std::string& text)
{
    if (m_fd >= 0)
        send(m_fd, text.data(), text.size(), MSG_NOSIGNAL);
}

std::vector<std::string> LoopbackClient::ReadLines(size_t count, const std::function<void()>& pump,
                                                   int seconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (m_lines.size() < count && !m_closed && m_fd >= 0 &&
           std::chrono::steady_clock::now() < deadline) {
        if (pump)
            pump();
        pollfd entry = {m_fd, POLLIN, 0};
        if (poll(&entry, 1, 5) != 1)
            continue;
        char buffer[4096];
        ssize_t n = recv(m_fd, buffer, sizeof(buffer), 0);
        if (n <= 0) {
            m_closed = true;
            break;
        }
        m_pending.append(buffer, static_cast<size_t>(n));
        size_t end;
        while ((end = m_pending.find("\r\n")) != std::string::npos) {
            m_lines.push_back(m_pending.substr(0, end));
            m_pending.erase(0, end + 2);
        }
    }
    size_t taken = std::min(count, m_lines.size());
    std::vector<std::string> lines(m_lines.begin(), m_lines.begin() + taken);
    m_lines.erase(m_lines.begin(), m_lines.begin() + taken);
    return lines;
}

std::vector<std::string> LoopbackClient::ReadUntil(const std::string& last,
                                                   const std::function<void()>& pump)
{
    std::vector<std::string> lines;
    while (lines.empty() || lines.back() != last) {
        std::vector<std::string> one = ReadLines(1, pump);
        if (one.empty())
            break;
        lines.push_back(one[0]);
    }
    return lines;
}

int LoopbackClient::FreePort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

}  // namespace VornTest
