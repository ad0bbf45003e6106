#pragma once
// The rules of the small HTTP/1.0 client, apart from any socket: how a URL
// is taken apart, the request bytes, how the status line and the header
// lines read, when a redirect is followed, and the texts of socket errors.
// Pure code, no Windows headers, so it also builds natively for fuzzing.
#include "base/Errors.h"
#include "base/Failure.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// A failure of the network layer. The message is the system's own English
// words (kept for logs and for update.exe); failure() is what a window tells
// the user, a German line with those words as its cause.
class ESockError : public AppError {
  public:
    ESockError(Lng line, const std::string& message, std::vector<std::string> args = {})
        : AppError(message), failure_(line, std::move(args), message) {}
    const Failure& failure() const { return failure_; }

  private:
    Failure failure_;
};
// A network step that was cancelled, in practice by the time limit.
class EAbortError : public ESockError {
  public:
    using ESockError::ESockError;
};

constexpr size_t kMaxRequestPath = 256;
constexpr size_t kMaxRedirectTarget = 256;
// The status line and the header lines of one response together. A server
// that sends more (or one endless line) is refused instead of filling memory.
constexpr size_t kMaxResponseHead = 64 * 1024;
// Redirects one transaction follows; the next one raises instead of looping.
constexpr int kMaxRedirects = 10;

// Where one transaction goes.
struct UrlParts {
    std::string url;  // as given, with "/" appended when it named no path
    std::string host; // the previous host when the URL names none
    uint16_t port = 80;
    std::string path; // begins with "/", at most 256 characters
};

// Takes a URL apart. host and port are the client's current ones: a URL
// that starts with "/" keeps the host, and one without any ":" keeps the
// port (0 counting as 80). "gopher" sets port 70, "ftp" 21, any other scheme
// 80, and a number after the host's ":" wins over all of them. Throws
// AppError "Empty URL", "HTTP Secure Socket is not supported" for https,
// "Invalid URL" for control characters (they would end up inside the
// request) and "Invalid port in URL" for a port that is no number from 1
// to 65535.
UrlParts ParseUrl(std::string_view url, std::string_view host, uint16_t port);

// Lines 1 to 5 of a GET request, each ending with CR LF. The empty line that
// ends the request (kRequestEnd) is sent on its own.
std::string RequestHead(std::string_view path, std::string_view host);
inline constexpr std::string_view kRequestEnd = "\r\n";

// The length of the first line of received data, its LF included; npos
// when no LF has arrived yet.
size_t LineLength(std::string_view received);

// The status code of a status line: its second field when the line (without
// its line end) is split at single blanks, as a decimal number; 0 when that
// field is missing or is no number from 0 to 32767.
int16_t StatusCodeOf(std::string_view statusLine);
// True for the line that ends the header: only CR LF, only LF, or the empty
// line that stands for the connection's end.
bool IsHeaderEnd(std::string_view line);
// The redirect target of a "Location: " header line (the name in any case,
// a blank after the colon): the text from the line's 11th character on, cut
// at the first control character (the line end among them) and at 256
// characters. Nothing for any other line.
std::optional<std::string> LocationOf(std::string_view line);

// The status line and header lines of one response, fed line by line as
// received.
class ResponseHead {
  public:
    // Takes one line with its line end as received; the empty line means the
    // connection ended. True when the header is complete. Throws ESockError
    // when the lines together would pass kMaxResponseHead.
    bool Add(std::string_view line);
    // For a line still being received: throws ESockError when its bytes so
    // far would pass the cap.
    void CheckPartial(size_t bytesSoFar) const;
    int16_t Status() const { return status_; }
    // Every line as received, the closing empty line included.
    const std::string& Text() const { return text_; }
    const std::string& Location() const { return location_; }
    bool Complete() const { return complete_; }

  private:
    std::string text_;
    std::string location_;
    int16_t status_ = 0;
    bool sawStatus_ = false;
    bool complete_ = false;
};

// 300, 301 and 302 are followed; every other status ends the transaction.
bool IsRedirectStatus(int status);
// The URL a redirect target leads to. A target without any "/" names a file
// beside the root of the same server: "http://" + host + "/" + target, with
// the port when it is not 80 (so a server on another port is not left).
std::string RedirectUrl(std::string_view target, std::string_view host, uint16_t port);

// "code:description" for the socket error codes the table knows, "Unknown
// Error No. " + code for the others.
std::string SocketErrorText(int code);
// The error for a Winsock code: SocketErrorText as its message, and the line
// that tells the user (refused, no answer, no such host, or the number).
ESockError SocketFailure(int code);

} // namespace qv
