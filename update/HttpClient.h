#pragma once
// A small HTTP/1.0 client over Windows Sockets: one GET per TCP connection,
// the body read until the server closes. It works on the calling (user
// interface) thread: while it waits for the network it keeps processing
// the thread's window messages, so the program stays responsive, and the
// call returns only when the transaction has ended or raises the error that
// names the failure. Socket and lookup notifications and the time limit
// arrive as messages to a hidden window of the client.
#include "update/HttpProtocol.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qv {

// The socket, the name lookup, the connection, writing, line reading and
// capturing.
class SocketClient {
  public:
    // Starts the socket library on first use in the process and creates the
    // socket. Throws ESockError "Initializaton of windows sockets failed".
    SocketClient();
    // Cancels a running step, closes the socket and the hidden window, and
    // ends the socket library's use with the last client.
    virtual ~SocketClient();
    SocketClient(const SocketClient&) = delete;
    SocketClient& operator=(const SocketClient&) = delete;

    // The longest wait of each network step in milliseconds; 0: no limit.
    uint32_t TimeOut = 0;

    // Ends the running step (from a message handler that runs meanwhile)
    // with its cancellation error.
    void Cancel();
    bool Connected() const;

  protected:
    // Looks up the host (dotted IPv4 or a name) and connects.
    void Connect(const std::string& host, uint16_t port);
    // Sends the text up to its first NUL (at most 65,535 characters).
    void Write(std::string_view text);
    // One line with its line end as received; empty when the connection
    // ended first. A line longer than limit raises ESockError.
    std::string ReadLine(size_t limit);
    // Every byte until the server closes, piece by piece. abortText is the
    // message of a cancellation.
    void Capture(const std::function<void(std::string_view)>& sink, const char* abortText);
    // Closes the socket and prepares a fresh one for the next connection.
    void Disconnect();
    // A quit message taken from the queue while waiting is put back for the
    // program's own message loop.
    void ForwardQuit();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class HttpClient : public SocketClient {
  public:
    // With InputFileMode the path of the file that receives the body;
    // otherwise the body itself.
    std::string Body = "Default.htm";
    bool InputFileMode = false;
    // With OutputFileMode the path of the file that receives the status line
    // and header lines; otherwise those lines themselves.
    std::string Header = "Head.txt";
    bool OutputFileMode = false;
    // 0 means 80. Counts only for URLs without any ":".
    uint16_t Port = 0;
    // The most body bytes one response may bring; 0: no limit. More raises
    // ESockError, so a server cannot fill the disk or the memory.
    uint64_t MaxBody = 0;

    // Runs one transaction and returns when the body has been stored; a
    // status of 300 to 302 is followed (at most kMaxRedirects times). A
    // status of 400 or more is no error: the error page is stored all the
    // same. Raises on every failure; whatever was stored until then stays.
    void Get(const std::string& url);

    const std::string& Host() const { return host_; }
    const std::string& RequestPath() const { return path_; }
    // The status of the last response, 0 when none was read.
    int16_t StatusCode() const { return status_; }
    // How many redirects the last Get followed.
    int RedirectsFollowed() const { return redirects_; }

  private:
    void Transaction();

    std::string host_;
    std::string path_;
    int16_t status_ = 0;
    std::string location_;
    int redirects_ = 0;
    bool busy_ = false;
};

} // namespace qv
