// The HTTP client against real servers on 127.0.0.1 that the tests start.
#include "TestHttpServer.h"
#include "base/Files.h"
#include "support/TestSupport.h"
#include "update/HttpClient.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

namespace qv {
namespace {

using test::Answer;
using test::Reply;
using test::Response;
using test::TempDir;
using test::TestHttpServer;

const std::string kHeadLines = "Host: 127.0.0.1\r\n"
                               "Accept: www/source, text/html, video/mpeg, image/jpeg, "
                               "image/x-tiff\r\n"
                               "Accept: image/x-rgb, image/x-xbm, image/gif, */*, "
                               "application/postscript\r\n"
                               "Content-type: application/x-www-form-urlencoded\r\n"
                               "\r\n";

// The message of the error a call raises, or "<no error>".
template <class E = AppError, class F> std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "<no error>";
}

struct FileClient : HttpClient {
    explicit FileClient(const TempDir& dir) {
        Body = dir / "body.dat";
        InputFileMode = true;
    }
};

TEST(HttpClientGet, StoresBodyAndHeaderAndSendsTheExactRequest) {
    TempDir dir;
    TestHttpServer server([](const std::string&) {
        return Answer(
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nServer: test\r\n\r\n1\r\nmore");
    });
    FileClient http(dir);
    http.Get(server.Base() + "update/checkforupdate.php?version=6.02");

    EXPECT_EQ(test::ReadBytes(dir / "body.dat"), "1\r\nmore");
    EXPECT_EQ(http.Header, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nServer: test\r\n\r\n");
    EXPECT_EQ(http.StatusCode(), 200);
    EXPECT_EQ(http.Host(), "127.0.0.1");
    EXPECT_EQ(http.Port, server.Port());
    EXPECT_EQ(http.RequestPath(), "/update/checkforupdate.php?version=6.02");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0],
              "GET /update/checkforupdate.php?version=6.02 HTTP/1.0\r\n" + kHeadLines);
}

TEST(HttpClientGet, NothingAfterTheServerNameAsksForTheRootWithTheBareHostName) {
    TestHttpServer server([](const std::string&) { return Response(200, "root"); });
    HttpClient http;
    // A server name followed by a port, nothing after it; the Host line
    // names the server without the port.
    http.Get("http://127.0.0.1:" + std::to_string(server.Port()));
    EXPECT_EQ(http.Body, "root");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "GET / HTTP/1.0\r\n" + kHeadLines);

    // Without a scheme, and with a name to look up.
    HttpClient byName;
    byName.Get("localhost:" + std::to_string(server.Port()) + "/x");
    EXPECT_EQ(byName.Body, "root");
    EXPECT_EQ(byName.Host(), "localhost");
    EXPECT_EQ(server.Requests().back().substr(0, 32), "GET /x HTTP/1.0\r\nHost: localhost");
}

TEST(HttpClientGet, ErrorStatusKeepsTheErrorPageAndRaisesNothing) {
    TempDir dir;
    TestHttpServer server([](const std::string&) {
        return Answer("HTTP/1.1 404 Not Found\r\n\r\n<html>weg</html>");
    });
    FileClient http(dir);
    EXPECT_NO_THROW(http.Get(server.Base() + "missing"));
    EXPECT_EQ(http.StatusCode(), 404);
    EXPECT_EQ(test::ReadBytes(dir / "body.dat"), "<html>weg</html>");
}

TEST(HttpClientGet, ShortResponsesGiveAnExistingEmptyBody) {
    TempDir dir;
    // The server closes right after the status line: no header lines.
    {
        TestHttpServer server([](const std::string&) { return Answer("HTTP/1.0 200 OK\r\n"); });
        test::WriteBytes(dir / "body.dat", "old content");
        FileClient http(dir);
        http.Get(server.Base());
        EXPECT_EQ(http.StatusCode(), 200);
        EXPECT_EQ(http.Header, "HTTP/1.0 200 OK\r\n");
        EXPECT_TRUE(FileExists(dir / "body.dat"));
        EXPECT_EQ(test::ReadBytes(dir / "body.dat"), "");
    }
    // A body of 0 bytes after the header.
    {
        TestHttpServer server([](const std::string&) { return Response(200, ""); });
        test::WriteBytes(dir / "body.dat", "old content");
        FileClient http(dir);
        http.Get(server.Base());
        EXPECT_EQ(test::ReadBytes(dir / "body.dat"), "");
    }
    // Only a status line without its line end: the line the close cut off
    // is no line, so there is no status.
    {
        TestHttpServer server([](const std::string&) { return Answer("HTTP/1.0 200 OK"); });
        HttpClient http;
        http.Get(server.Base());
        EXPECT_EQ(http.StatusCode(), 0);
        EXPECT_EQ(http.Body, "");
    }
}

TEST(HttpClientGet, BodyInManySmallPiecesIsStoredWholeAndInOrder) {
    std::string body;
    for (int i = 0; body.size() < 70000; ++i)
        body += std::to_string(i) + ",";
    auto handler = [&](const std::string&) {
        Reply r;
        // The header itself comes in two pieces, split inside a line.
        r.pieces = {"HTTP/1.0 200 OK\r\nX-A: ", "b\r\n\r\n"};
        for (size_t at = 0; at < body.size(); at += 700)
            r.pieces.push_back(body.substr(at, 700));
        r.pauseMs = 1;
        return r;
    };
    TestHttpServer server(handler);
    TempDir dir;
    FileClient toFile(dir);
    toFile.Get(server.Base());
    EXPECT_EQ(toFile.Header, "HTTP/1.0 200 OK\r\nX-A: b\r\n\r\n");
    EXPECT_EQ(test::ReadBytes(dir / "body.dat"), body);

    HttpClient toText;
    toText.Get(server.Base());
    EXPECT_EQ(toText.Body.size(), body.size());
    EXPECT_TRUE(toText.Body == body);
}

TEST(HttpClientGet, HeaderGoesToItsFileInOutputFileMode) {
    TempDir dir;
    TestHttpServer server([](const std::string&) { return Answer("HTTP/1.0 200 OK\nA: b\n\nx"); });
    HttpClient http;
    http.OutputFileMode = true;
    http.Header = dir / "head.txt";
    http.Get(server.Base());
    // Bare LF line ends are kept as received.
    EXPECT_EQ(test::ReadBytes(dir / "head.txt"), "HTTP/1.0 200 OK\nA: b\n\n");
    EXPECT_EQ(http.Header, dir / "head.txt");
    EXPECT_EQ(http.Body, "x");
}

TEST(HttpClientRedirect, FollowsAChainOfAbsoluteRelativeAndBareTargets) {
    TestHttpServer* self = nullptr;
    TestHttpServer server([&](const std::string& request) {
        std::string path = request.substr(4, request.find(' ', 4) - 4);
        if (path == "/a")
            return Answer("HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:" +
                          std::to_string(self->Port()) + "/b\r\n\r\nmoved");
        if (path == "/b") return Answer("HTTP/1.0 301 Moved\r\nLOCATION: /c\r\n\r\n");
        if (path == "/c") return Answer("HTTP/1.0 300 Choices\r\nlocation: d.txt\r\n\r\n");
        return Response(200, "end of " + path);
    });
    self = &server;
    HttpClient http;
    http.Get(server.Base() + "a");
    EXPECT_EQ(http.Body, "end of /d.txt");
    EXPECT_EQ(http.StatusCode(), 200);
    EXPECT_EQ(http.RedirectsFollowed(), 3);
    EXPECT_EQ(server.Paths(), (std::vector<std::string>{"/a", "/b", "/c", "/d.txt"}));
}

TEST(HttpClientRedirect, OnlyALocationWithABlankAfterTheColonCounts) {
    TestHttpServer server([](const std::string&) {
        return Answer("HTTP/1.0 302 Found\r\nLocation:/elsewhere\r\n\r\nstay");
    });
    HttpClient http;
    http.Get(server.Base());
    EXPECT_EQ(http.StatusCode(), 302);
    EXPECT_EQ(http.Body, "stay");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(HttpClientRedirect, OtherStatusesOfThe300sEndTheTransaction) {
    for (int status : {303, 307, 399}) {
        TestHttpServer server([&](const std::string&) {
            return Answer("HTTP/1.0 " + std::to_string(status) + " X\r\nLocation: /next\r\n\r\n");
        });
        HttpClient http;
        EXPECT_NO_THROW(http.Get(server.Base()));
        EXPECT_EQ(http.StatusCode(), status);
        EXPECT_EQ(server.Requests().size(), 1u) << status;
    }
}

TEST(HttpClientRedirect, ARedirectWithoutATargetEndsTheTransaction) {
    TestHttpServer server(
        [](const std::string&) { return Answer("HTTP/1.0 302 Found\r\n\r\nnone"); });
    HttpClient http;
    http.Get(server.Base());
    EXPECT_EQ(http.StatusCode(), 302);
    EXPECT_EQ(http.Body, "none");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(HttpClientRedirect, ALoopEndsWithAnErrorAfterTenRedirects) {
    // Past 50 requests the server gives in, so that a client without a
    // limit ends (without the error) instead of looping for ever.
    int served = 0;
    TestHttpServer server([&](const std::string&) {
        if (++served > 50) return Response(200, "gave in");
        return Answer("HTTP/1.0 302 Found\r\nLocation: /again\r\n\r\n");
    });
    HttpClient http;
    EXPECT_EQ(ErrorOf<ESockError>([&] { http.Get(server.Base()); }),
              "Too many redirects (more than 10)");
    EXPECT_EQ(server.Requests().size(), 11u);
    // The client is idle again afterwards.
    EXPECT_FALSE(http.Connected());
}

TEST(HttpClientFailure, TimeLimitEndsEveryWaitingStepWithItsMessage) {
    TempDir dir;
    // Accepts and never answers: the status line never comes.
    {
        TestHttpServer server([](const std::string&) {
            // Closes after 20 s, so a client without a time limit fails
            // the test instead of hanging it.
            Reply r;
            r.holdOpen = true;
            r.holdMs = 20000;
            return r;
        });
        FileClient http(dir);
        http.TimeOut = 300;
        EXPECT_EQ(ErrorOf<EAbortError>([&] { http.Get(server.Base()); }), "Socket readln aborted");
    }
    // The header comes, the body never ends: file and text mode.
    {
        TestHttpServer server([](const std::string&) {
            Reply r = Answer("HTTP/1.0 200 OK\r\n\r\npart");
            r.holdOpen = true;
            r.holdMs = 20000;
            return r;
        });
        FileClient toFile(dir);
        toFile.TimeOut = 300;
        EXPECT_EQ(ErrorOf<EAbortError>([&] { toFile.Get(server.Base()); }), "Socket send aborted");
        // What arrived before stays in the file.
        EXPECT_EQ(test::ReadBytes(dir / "body.dat"), "part");

        HttpClient toText;
        toText.TimeOut = 300;
        EXPECT_EQ(ErrorOf<EAbortError>([&] { toText.Get(server.Base()); }),
                  "Socket capture aborted");
        EXPECT_EQ(toText.Body, "part");
        // A fresh socket is ready: the same client gets an answer next time.
        TestHttpServer good([](const std::string&) { return Response(200, "fine"); });
        toText.Get(good.Base());
        EXPECT_EQ(toText.Body, "fine");
    }
}

TEST(HttpClientFailure, RefusedPortAndUnknownNameNameTheirCause) {
    HttpClient http;
    EXPECT_EQ(ErrorOf<ESockError>([&] {
                  http.Get("http://127.0.0.1:" + std::to_string(test::UnusedPort()) + "/");
              }),
              "10061:Connection refused");
    // A label of more than 63 characters can never be resolved, so the lookup
    // fails without asking any name server.
    EXPECT_EQ(ErrorOf<ESockError>(
                  [&] { http.Get("http://" + std::string(70, 'x') + ".invalid/update/"); }),
              "Null Remote Address");
    // The client works again afterwards.
    TestHttpServer server([](const std::string&) { return Response(200, "ok"); });
    http.Get(server.Base());
    EXPECT_EQ(http.Body, "ok");
}

// Each way the network fails carries the line a window shows for it, with
// the system's words as the cause.
TEST(HttpClientFailure, EachFailureCarriesTheLineTheUserReads) {
    TestHttpServer loop([](const std::string&) {
        return Answer("HTTP/1.0 302 Found\r\nLocation: /again\r\n\r\n");
    });
    TestHttpServer silent([](const std::string&) {
        Reply r;
        r.holdOpen = true;
        r.holdMs = 20000;
        return r;
    });
    const struct {
        std::string url;
        Lng line;
        std::vector<std::string> args;
    } cases[] = {
        {"http://127.0.0.1:" + std::to_string(test::UnusedPort()) + "/", Lng::NetRefused, {}},
        {"http://" + std::string(70, 'x') + ".invalid/", Lng::NetHostNotFound, {}},
        {"", Lng::NetBadAddress, {}},
        {"http://127.0.0.1:99999/", Lng::NetBadAddress, {}},
        {"https://127.0.0.1/", Lng::NetHttpsUnsupported, {}},
        {loop.Base(), Lng::NetTooManyRedirects, {"10"}},
        {silent.Base(), Lng::NetAborted, {}},
    };
    for (const auto& c : cases) {
        HttpClient http;
        http.TimeOut = 300;
        try {
            http.Get(c.url);
            ADD_FAILURE() << c.url << ": no error";
        } catch (const ESockError& e) {
            EXPECT_EQ(e.failure().line, c.line) << c.url;
            EXPECT_EQ(e.failure().args, c.args) << c.url;
            EXPECT_EQ(e.failure().cause, e.what()) << c.url;
        }
    }
    EXPECT_EQ(SocketFailure(10060).failure().line, Lng::NetConnectTimedOut);
    EXPECT_EQ(SocketFailure(10050).failure().args, std::vector<std::string>{"10050"});
}

TEST(HttpClientFailure, UrlErrorsRaiseBeforeAnyConnection) {
    HttpClient http;
    EXPECT_EQ(ErrorOf([&] { http.Get(""); }), "Empty URL");
    EXPECT_EQ(ErrorOf([&] { http.Get("https://127.0.0.1/"); }),
              "HTTP Secure Socket is not supported");
}

TEST(HttpClientFailure, AnOversizedHeaderIsRefused) {
    // Many header lines in small pieces.
    {
        TestHttpServer server([](const std::string&) {
            Reply r;
            r.pieces.push_back("HTTP/1.0 200 OK\r\n");
            for (int i = 0; i < 2000; ++i)
                r.pieces.push_back("X-Filler-" + std::to_string(i) + ": " + std::string(30, 'f') +
                                   "\r\n");
            r.pieces.push_back("\r\nbody");
            return r;
        });
        HttpClient http;
        EXPECT_EQ(ErrorOf<ESockError>([&] { http.Get(server.Base()); }),
                  "Response header too long (more than 65536 bytes)");
    }
    // One endless line.
    {
        TestHttpServer server([](const std::string&) {
            Reply r;
            r.pieces.push_back("HTTP/1.0 200 OK\r\nX-Long: ");
            for (int i = 0; i < 20; ++i)
                r.pieces.push_back(std::string(4096, 'l'));
            r.holdOpen = true;
            return r;
        });
        HttpClient http;
        http.TimeOut = 20000; // the cap, not the time limit, must end it
        EXPECT_EQ(ErrorOf<ESockError>([&] { http.Get(server.Base()); }),
                  "Response header too long (more than 65536 bytes)");
    }
    // Just below the cap is fine.
    {
        TestHttpServer server([](const std::string&) {
            std::string head = "HTTP/1.0 200 OK\r\n";
            while (head.size() < kMaxResponseHead - 100)
                head += "X-F: " + std::string(40, 'f') + "\r\n";
            return Answer(head + "\r\nbody");
        });
        HttpClient http;
        http.Get(server.Base());
        EXPECT_EQ(http.Body, "body");
    }
}

TEST(HttpClientFailure, BodyLimitAndUncreatableBodyFile) {
    TestHttpServer server([](const std::string&) { return Response(200, std::string(5000, 'b')); });
    HttpClient limited;
    limited.MaxBody = 4999;
    EXPECT_EQ(ErrorOf<ESockError>([&] { limited.Get(server.Base()); }), "Response body too large");
    limited.MaxBody = 5000;
    limited.Get(server.Base());
    EXPECT_EQ(limited.Body.size(), 5000u);

    TempDir dir;
    HttpClient http;
    http.InputFileMode = true;
    http.Body = dir / "no such folder\\body.dat";
    EXPECT_EQ(ErrorOf([&] { http.Get(server.Base()); }),
              "Datei " + http.Body + " kann nicht erstellt werden");
}

// The window messages of the program keep being handled while the client
// waits: the server answers only after the test's window has seen a message
// that was posted before the request started.
std::atomic<bool> g_windowSawMessage{false};
LRESULT CALLBACK ProbeWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP + 7) g_windowSawMessage = true;
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

TEST(HttpClientWaiting, TheProgramStaysResponsiveDuringATransaction) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ProbeWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Qv6HttpProbeWindow";
    ::RegisterClassW(&wc);
    HWND probe = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   wc.hInstance, nullptr);
    ASSERT_NE(probe, nullptr);
    g_windowSawMessage = false;
    TestHttpServer server([](const std::string&) {
        Reply r = Response(200, "answered");
        r.gate = [] { return g_windowSawMessage.load(); };
        return r;
    });
    ::PostMessageW(probe, WM_APP + 7, 0, 0);
    HttpClient http;
    http.TimeOut = 15000;
    http.Get(server.Base());
    EXPECT_TRUE(g_windowSawMessage);
    EXPECT_EQ(http.Body, "answered");
    ::DestroyWindow(probe);
}

// A message handler that runs while the client waits and uses the client.
HttpClient* g_reentered = nullptr;
std::string g_nestedError;
LRESULT CALLBACK ReenteringWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP + 8 && g_reentered) {
        try {
            g_reentered->Get("http://127.0.0.1/");
            g_nestedError = "<no error>";
        } catch (const AppError& e) {
            g_nestedError = e.what();
        }
        g_reentered->Cancel();
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

TEST(HttpClientWaiting, AHandlerThatRunsMeanwhileCanCancelButNotStartAnother) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ReenteringWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Qv6HttpReenterWindow";
    ::RegisterClassW(&wc);
    HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    TestHttpServer server([](const std::string&) {
        Reply r;
        r.holdOpen = true;
        r.holdMs = 20000;
        return r;
    });
    HttpClient http; // no time limit: the handler's Cancel ends the wait
    g_reentered = &http;
    g_nestedError.clear();
    ::PostMessageW(window, WM_APP + 8, 0, 0);
    // A name to look up, so that the first wait is the lookup's.
    std::string error =
        ErrorOf<ESockError>([&] { http.Get("http://localhost:" + std::to_string(server.Port())); });
    g_reentered = nullptr;
    EXPECT_EQ(g_nestedError, "Already connected");
    EXPECT_TRUE(error == "Host Lookup Canceled" || error == "Connection Canceled" ||
                error == "Socket send aborted" || error == "Socket readln aborted")
        << error;
    ::DestroyWindow(window);
}

TEST(HttpClientWaiting, AQuitWhileWaitingCancelsAndIsLeftForTheProgram) {
    TestHttpServer server([](const std::string&) {
        // Closes after 20 s: a client that missed the quit then ends
        // without an error, and the test fails instead of hanging.
        Reply r;
        r.holdOpen = true;
        r.holdMs = 20000;
        return r;
    });
    HttpClient http; // no time limit: only the quit can end the wait
    ::PostQuitMessage(7);
    // Whichever step saw it gives up with its cancellation message.
    std::string error = ErrorOf<ESockError>([&] { http.Get(server.Base()); });
    EXPECT_TRUE(error == "Connection Canceled" || error == "Socket send aborted" ||
                error == "Socket readln aborted")
        << error;
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

} // namespace
} // namespace qv
