#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "TestHttpServer.h"

#include "base/Files.h"

#include <chrono>

namespace qv::test {

namespace {

struct WinsockUse {
    WinsockUse() {
        WSADATA d;
        ::WSAStartup(0x0202, &d);
    }
    ~WinsockUse() { ::WSACleanup(); }
};

bool Readable(SOCKET s, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    return ::select(0, &set, nullptr, nullptr, &tv) > 0;
}

std::string StatusText(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    default:
        return "Status";
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

Reply Answer(std::string whole) {
    Reply r;
    r.pieces.push_back(std::move(whole));
    return r;
}

Reply Response(int status, const std::string& body, const std::string& headerLines) {
    return Answer("HTTP/1.0 " + std::to_string(status) + " " + StatusText(status) + "\r\n" +
                  headerLines + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
                  body);
}

TestHttpServer::TestHttpServer(Handler handler) : handler_(std::move(handler)) {
    static WinsockUse winsock;
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = ::inet_addr("127.0.0.1");
    a.sin_port = 0;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    ::listen(s, 16);
    int len = sizeof(a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ::ntohs(a.sin_port);
    listener_ = s;
    thread_ = std::thread([this] { Run(); });
}

TestHttpServer::~TestHttpServer() {
    stop_ = true;
    thread_.join();
    ::closesocket(static_cast<SOCKET>(listener_));
}

std::string TestHttpServer::Base() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

std::vector<std::string> TestHttpServer::Requests() const {
    std::lock_guard<std::mutex> g(lock_);
    return requests_;
}

std::vector<std::string> TestHttpServer::Paths() const {
    std::vector<std::string> paths;
    for (const std::string& r : Requests()) {
        size_t from = r.find(' ');
        size_t to = r.find(' ', from + 1);
        paths.push_back(from == std::string::npos ? r : r.substr(from + 1, to - from - 1));
    }
    return paths;
}

void TestHttpServer::Run() {
    SOCKET listener = static_cast<SOCKET>(listener_);
    while (!stop_) {
        if (!Readable(listener, 50)) continue;
        SOCKET c = ::accept(listener, nullptr, nullptr);
        if (c == INVALID_SOCKET) continue;
        Serve(c);
        ::closesocket(c);
    }
}

void TestHttpServer::Serve(uintptr_t connection) {
    SOCKET c = static_cast<SOCKET>(connection);
    BOOL noDelay = TRUE;
    ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
                 sizeof(noDelay));
    // The request ends with its empty line; a client that never sends one
    // is given 10 s.
    std::string request;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (request.find("\r\n\r\n") == std::string::npos && !stop_ &&
           std::chrono::steady_clock::now() < until) {
        if (!Readable(c, 50)) continue;
        char buf[4096];
        int n = ::recv(c, buf, sizeof(buf), 0);
        if (n <= 0) break;
        request.append(buf, static_cast<size_t>(n));
    }
    {
        std::lock_guard<std::mutex> g(lock_);
        requests_.push_back(request);
    }
    Reply reply = handler_(request);
    if (reply.gate) {
        auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!reply.gate() && !stop_ && std::chrono::steady_clock::now() < limit)
            ::Sleep(5);
    }
    for (size_t i = 0; i < reply.pieces.size(); ++i) {
        if (i && reply.pauseMs) ::Sleep(reply.pauseMs);
        const std::string& p = reply.pieces[i];
        size_t done = 0;
        while (done < p.size()) {
            int n = ::send(c, p.data() + done, static_cast<int>(p.size() - done), 0);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    if (reply.holdOpen) {
        // Until the client closes its end (or the test ends).
        auto holdUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(reply.holdMs);
        while (!stop_ && (!reply.holdMs || std::chrono::steady_clock::now() < holdUntil)) {
            if (!Readable(c, 50)) continue;
            char buf[256];
            if (::recv(c, buf, sizeof(buf), 0) <= 0) break;
        }
        return;
    }
    ::shutdown(c, SD_SEND);
    // Let the client read everything before the socket goes.
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!stop_ && std::chrono::steady_clock::now() < limit) {
        if (!Readable(c, 50)) continue;
        char buf[256];
        if (::recv(c, buf, sizeof(buf), 0) <= 0) break;
    }
}

Handler ServeFolder(const std::string& folder) {
    return [folder](const std::string& request) {
        size_t from = request.find(' ');
        size_t to = request.find(' ', from + 1);
        if (from == std::string::npos || to == std::string::npos) return Response(400, "");
        std::string path = request.substr(from + 1, to - from - 1);
        path = path.substr(0, path.find('?'));
        std::string name;
        for (size_t i = 0; i < path.size(); ++i) {
            if (path[i] == '%' && i + 2 < path.size() && HexDigit(path[i + 1]) >= 0 &&
                HexDigit(path[i + 2]) >= 0) {
                name.push_back(
                    static_cast<char>(HexDigit(path[i + 1]) * 16 + HexDigit(path[i + 2])));
                i += 2;
            } else {
                name.push_back(path[i] == '/' ? '\\' : path[i]);
            }
        }
        if (name.find("..") != std::string::npos) return Response(404, "not found");
        while (!name.empty() && name.front() == '\\')
            name.erase(0, 1);
        auto bytes = ReadFileBytes(folder + name);
        if (!bytes || name.empty()) return Response(404, "<html>not found</html>");
        return Response(200, *bytes);
    };
}

uint16_t UnusedPort() {
    static WinsockUse winsock;
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = ::inet_addr("127.0.0.1");
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    int len = sizeof(a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::closesocket(s);
    return ::ntohs(a.sin_port);
}

} // namespace qv::test
