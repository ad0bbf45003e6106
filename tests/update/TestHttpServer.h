#pragma once
// A scripted HTTP server on 127.0.0.1 for the client's tests: it runs on a
// thread of the test program, on a port the system picks, records the exact
// bytes of every request and answers as the test's handler says (in pieces,
// after a pause, never, or with the files of a folder).
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv::test {

struct Reply {
    // Sent one after another, each with its own send; the server closes
    // the connection after the last.
    std::vector<std::string> pieces;
    unsigned pauseMs = 0; // between two pieces, so that they arrive apart
    // Accepts and reads the request, sends the pieces, then never answers
    // more: the connection stays open until the client goes or the server
    // stops.
    bool holdOpen = false;
    unsigned holdMs = 0; // with holdOpen: closes after this long; 0: never
    // The pieces go out only once this says yes (looked at for at most 20 s).
    std::function<bool()> gate;
};

Reply Answer(std::string whole);
// A status line, the given header lines and the body.
Reply Response(int status, const std::string& body, const std::string& headerLines = "");

using Handler = std::function<Reply(const std::string& request)>;

class TestHttpServer {
  public:
    explicit TestHttpServer(Handler handler);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    uint16_t Port() const { return port_; }
    // "http://127.0.0.1:<port>/"
    std::string Base() const;
    std::vector<std::string> Requests() const;
    // The request paths in order ("/a/b?x").
    std::vector<std::string> Paths() const;

  private:
    void Run();
    void Serve(uintptr_t connection);

    Handler handler_;
    uintptr_t listener_ = ~uintptr_t{0};
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex lock_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// The handler of a static web server over a folder: the path of the
// request (without its query, percent escapes decoded) names a file below
// it; 404 for anything else.
Handler ServeFolder(const std::string& folder);

// A port on 127.0.0.1 where nothing listens.
uint16_t UnusedPort();

} // namespace qv::test
