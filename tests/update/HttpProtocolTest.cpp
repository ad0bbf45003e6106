// The client's rules apart from the socket: URLs, request bytes, status and
// header lines, redirects, error texts.
#include "update/HttpProtocol.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

std::string ErrorOf(std::string_view url, std::string_view host = "", uint16_t port = 0) {
    try {
        ParseUrl(url, host, port);
    } catch (const AppError& e) {
        return e.what();
    }
    return "<no error>";
}

TEST(ParseUrl, HostPortAndPathOfTheUsualForms) {
    UrlParts p = ParseUrl("http://www.example.de/update/checkforupdate.php?version=6.02", "", 0);
    EXPECT_EQ(p.host, "www.example.de");
    EXPECT_EQ(p.port, 80);
    EXPECT_EQ(p.path, "/update/checkforupdate.php?version=6.02");

    // Nothing after the server name: the root, and "/" appended to the URL.
    p = ParseUrl("http://www.example.de", "", 0);
    EXPECT_EQ(p.path, "/");
    EXPECT_EQ(p.url, "http://www.example.de/");

    p = ParseUrl("http://www.example.de:8080/x", "", 0);
    EXPECT_EQ(p.host, "www.example.de");
    EXPECT_EQ(p.port, 8080);
    EXPECT_EQ(p.path, "/x");

    // Without a scheme the text before the first "/" is the host.
    p = ParseUrl("localhost:8080/a/b", "", 0);
    EXPECT_EQ(p.host, "localhost");
    EXPECT_EQ(p.port, 8080);
    EXPECT_EQ(p.path, "/a/b");
    p = ParseUrl("server/a", "", 0);
    EXPECT_EQ(p.host, "server");
    EXPECT_EQ(p.path, "/a");
}

TEST(ParseUrl, SchemesAndTheClientsOwnPortAndHost) {
    EXPECT_EQ(ParseUrl("gopher://h/x", "", 0).port, 70);
    EXPECT_EQ(ParseUrl("FTP://h/x", "", 0).port, 21);
    EXPECT_EQ(ParseUrl("whatever://h/x", "", 8000).port, 80);
    // The Port setting counts only for a URL without any ":".
    EXPECT_EQ(ParseUrl("h/x", "", 8000).port, 8000);
    EXPECT_EQ(ParseUrl("h/x", "", 0).port, 80);
    // A URL that starts with "/" keeps the previous host (and port).
    UrlParts p = ParseUrl("/next", "previous", 8081);
    EXPECT_EQ(p.host, "previous");
    EXPECT_EQ(p.port, 8081);
    EXPECT_EQ(p.path, "/next");
    // An empty port after the colon keeps the scheme's.
    EXPECT_EQ(ParseUrl("http://h:/x", "", 0).port, 80);
}

TEST(ParseUrl, PathIsCutTo256Characters) {
    std::string longPath = "/" + std::string(300, 'p');
    UrlParts p = ParseUrl("http://h" + longPath, "", 0);
    EXPECT_EQ(p.path, longPath.substr(0, 256));
}

TEST(ParseUrl, RefusesWhatCannotBeFetched) {
    EXPECT_EQ(ErrorOf(""), "Empty URL");
    EXPECT_EQ(ErrorOf("https://h/"), "HTTP Secure Socket is not supported");
    EXPECT_EQ(ErrorOf("HTTPS://h/"), "HTTP Secure Socket is not supported");
    // A line end in a URL would end the request line early.
    EXPECT_EQ(ErrorOf("http://h/a\r\nX-Injected: 1"), "Invalid URL");
    EXPECT_EQ(ErrorOf("http://h:80x/"), "Invalid port in URL");
    EXPECT_EQ(ErrorOf("http://h:70000/"), "Invalid port in URL");
    EXPECT_EQ(ErrorOf("http://h:0/"), "Invalid port in URL");
}

TEST(Request, HeadLinesExactlyAsSent) {
    EXPECT_EQ(RequestHead("/update/filelist.txt", "server"),
              "GET /update/filelist.txt HTTP/1.0\r\n"
              "Host: server\r\n"
              "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
              "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
              "Content-type: application/x-www-form-urlencoded\r\n");
    EXPECT_EQ(kRequestEnd, "\r\n");
}

TEST(ResponseLines, StatusCodeIsTheSecondFieldAtSingleBlanks) {
    EXPECT_EQ(StatusCodeOf("HTTP/1.1 404 Not Found\r\n"), 404);
    EXPECT_EQ(StatusCodeOf("HTTP/1.0 200\r\n"), 200);
    EXPECT_EQ(StatusCodeOf("HTTP/1.0 302\n"), 302);
    EXPECT_EQ(StatusCodeOf("HTTP/1.0  200 OK\r\n"), 0); // two blanks: an empty field
    EXPECT_EQ(StatusCodeOf("HTTP/1.0 abc OK\r\n"), 0);
    EXPECT_EQ(StatusCodeOf("HTTP/1.0 99999 OK\r\n"), 0);
    EXPECT_EQ(StatusCodeOf("HTTP/1.0\r\n"), 0);
    EXPECT_EQ(StatusCodeOf(""), 0);
}

TEST(ResponseLines, LocationNeedsABlankAfterItsColon) {
    EXPECT_EQ(LocationOf("Location: http://h/x\r\n"), "http://h/x");
    EXPECT_EQ(LocationOf("LOCATION: /y\n"), "/y");
    EXPECT_EQ(LocationOf("location: z"), "z");
    EXPECT_FALSE(LocationOf("Location:http://h/x\r\n"));
    EXPECT_FALSE(LocationOf("Location:\thttp://h/x\r\n"));
    EXPECT_FALSE(LocationOf("Content-Location: /x\r\n"));
    EXPECT_FALSE(LocationOf(" Location: /x\r\n"));
    // The text from the 11th character: a second blank stays part of it.
    EXPECT_EQ(LocationOf("Location:  /x\r\n"), " /x");
    // Cut at 256 characters and at a stray CR inside the line.
    EXPECT_EQ(LocationOf("Location: /" + std::string(300, 'a') + "\r\n")->size(), 256u);
    EXPECT_EQ(LocationOf("Location: /a\rGET /evil HTTP/1.0\r\n"), "/a");
}

TEST(ResponseLines, HeadEndsAtAnEmptyLineOrTheConnectionsEnd) {
    ResponseHead head;
    EXPECT_FALSE(head.Add("HTTP/1.0 301 Moved\r\n"));
    EXPECT_FALSE(head.Add("Location: /first\r\n"));
    EXPECT_FALSE(head.Add("location: /second\r\n"));
    EXPECT_TRUE(head.Add("\r\n"));
    EXPECT_EQ(head.Status(), 301);
    EXPECT_EQ(head.Location(), "/second");
    EXPECT_EQ(head.Text(), "HTTP/1.0 301 Moved\r\nLocation: /first\r\nlocation: /second\r\n\r\n");

    ResponseHead lf;
    lf.Add("HTTP/1.0 200 OK\n");
    EXPECT_TRUE(lf.Add("\n"));
    ResponseHead cut;
    cut.Add("HTTP/1.0 200 OK\r\n");
    EXPECT_TRUE(cut.Add(""));
    ResponseHead nothing;
    EXPECT_TRUE(nothing.Add(""));
    EXPECT_EQ(nothing.Status(), 0);
    // A line of blanks is a header line, not the end.
    ResponseHead blanks;
    blanks.Add("HTTP/1.0 200 OK\r\n");
    EXPECT_FALSE(blanks.Add(" \r\n"));
}

TEST(ResponseLines, HeadIsCappedAt64KiB) {
    ResponseHead head;
    head.Add("HTTP/1.0 200 OK\r\n");
    std::string line = "X: " + std::string(1000, 'x') + "\r\n";
    size_t added = 17;
    while (added + line.size() <= kMaxResponseHead) {
        EXPECT_NO_THROW(head.Add(line));
        added += line.size();
    }
    EXPECT_THROW(head.Add(line), ESockError);
    EXPECT_EQ(LineLength("abc\r\ndef"), 5u);
    EXPECT_EQ(LineLength("abc"), std::string_view::npos);
}

TEST(Redirect, OnlyThreeStatusesAndTheNoSlashRule) {
    EXPECT_FALSE(IsRedirectStatus(299));
    EXPECT_TRUE(IsRedirectStatus(300));
    EXPECT_TRUE(IsRedirectStatus(301));
    EXPECT_TRUE(IsRedirectStatus(302));
    EXPECT_FALSE(IsRedirectStatus(303));
    EXPECT_FALSE(IsRedirectStatus(307));
    EXPECT_EQ(RedirectUrl("http://other/x", "h", 80), "http://other/x");
    EXPECT_EQ(RedirectUrl("/x", "h", 80), "/x");
    EXPECT_EQ(RedirectUrl("file.txt", "h", 80), "http://h/file.txt");
    // A server on another port is not left for port 80.
    EXPECT_EQ(RedirectUrl("file.txt", "h", 8080), "http://h:8080/file.txt");
}

TEST(SocketErrors, CodeAndDescriptionOrUnknown) {
    EXPECT_EQ(SocketErrorText(10061), "10061:Connection refused");
    EXPECT_EQ(SocketErrorText(10004), "10004:Interrupted system call");
    EXPECT_EQ(SocketErrorText(10049), "10049:Can't assign requested address");
    EXPECT_EQ(SocketErrorText(10093), "10093:Successful WSAStartup not yet performed");
    EXPECT_EQ(SocketErrorText(11003), "11003:Non-Recoverable error: FORMERR, REFUSED, NOTIMP");
    EXPECT_EQ(SocketErrorText(11004), "11004:Valid name, no data record of requested type");
    EXPECT_EQ(SocketErrorText(10072), "Unknown Error No. 10072");
    EXPECT_EQ(SocketErrorText(10090), "Unknown Error No. 10090");
    EXPECT_EQ(SocketErrorText(12345), "Unknown Error No. 12345");
    int known = 0;
    for (int code = 10000; code < 11100; ++code)
        if (SocketErrorText(code).rfind("Unknown", 0) != 0) ++known;
    EXPECT_EQ(known, 50);
}

} // namespace
} // namespace qv
