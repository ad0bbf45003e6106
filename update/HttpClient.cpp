// The Winsock side of the HTTP client: a non-blocking socket whose events
// (WSAAsyncSelect), the asynchronous name lookup and the time limit (a
// one-shot window timer) arrive as messages to a hidden message-only window.
// Every wait is a loop that handles the thread's pending messages, so the
// windows of the program keep working while a transaction runs.
#include <winsock2.h>
#include <windows.h>

#include "update/HttpClient.h"

#include "base/FileErrors.h"
#include "base/Handles.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

namespace qv {

namespace {

constexpr UINT kSocketMessage = WM_USER + 101;
constexpr UINT kLookupMessage = WM_USER + 102;
constexpr UINT_PTR kTimerId = 1;
constexpr size_t kReceiveBufferSize = 65536;
constexpr size_t kLookupBufferSize = 1024;
constexpr size_t kMaxWrite = 65535;
// The lookup and connect loops look at their flags every 2 ms; the
// receive loops wake as soon as a notification arrives and look anyway
// after this long.
constexpr DWORD kPollMs = 2;
constexpr DWORD kReceiveWaitMs = 20;
constexpr const wchar_t* kWindowClass = L"Qv6SocketClientWindow";
constexpr const char* kInitFailed = "Initializaton of windows sockets failed";

// Winsock is started once for the process while any client lives.
struct SocketsStarted {
    std::mutex lock;
    int clients = 0;
};
SocketsStarted& Sockets() {
    static SocketsStarted sockets;
    return sockets;
}

bool StartSockets() {
    SocketsStarted& s = Sockets();
    std::lock_guard<std::mutex> lock(s.lock);
    if (s.clients == 0) {
        WSADATA data;
        if (::WSAStartup(0x0101, &data) != 0) return false;
    }
    ++s.clients;
    return true;
}

void StopSockets() {
    SocketsStarted& s = Sockets();
    std::lock_guard<std::mutex> lock(s.lock);
    if (--s.clients == 0) ::WSACleanup();
}

[[noreturn]] void ThrowSocketError(int code) {
    throw SocketFailure(code);
}

} // namespace

struct SocketClient::Impl {
    HWND window = nullptr;
    SOCKET socket = INVALID_SOCKET;
    // The flags the waits look at; the window procedure sets them.
    bool connected = false;
    bool lastOk = true;
    bool timedOut = false;
    bool cancelled = false;
    bool lookupDone = false;
    bool closeSignalled = false;
    int connectError = 0;
    int lookupError = 0;
    HANDLE lookupTask = nullptr;
    std::unique_ptr<char[]> lookupBuffer;
    uint32_t timeOut = 0;
    bool timerRunning = false;
    std::optional<WPARAM> quit;
    // Received bytes that no line has consumed yet.
    std::string pending;
    std::vector<char> buffer = std::vector<char>(kReceiveBufferSize);

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<Impl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self) {
            switch (msg) {
            case kSocketMessage:
                self->OnSocketEvent(static_cast<SOCKET>(wp), lp);
                return 0;
            case kLookupMessage:
                if (reinterpret_cast<HANDLE>(wp) == self->lookupTask && self->lookupTask) {
                    self->lookupError = WSAGETASYNCERROR(lp);
                    self->lastOk = self->lookupError == 0;
                    self->lookupDone = true;
                }
                return 0;
            case WM_TIMER:
                if (wp == kTimerId) {
                    self->StopTimer();
                    self->timedOut = true;
                    self->cancelled = true;
                }
                return 0;
            }
        }
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }

    void OnSocketEvent(SOCKET s, LPARAM lp) {
        // A notification still queued for the socket of an earlier
        // connection says nothing about this one.
        if (s != socket || socket == INVALID_SOCKET) return;
        const int error = WSAGETSELECTERROR(lp);
        lastOk = error == 0;
        switch (WSAGETSELECTEVENT(lp)) {
        case FD_CONNECT:
            if (error == 0)
                connected = true;
            else
                connectError = error;
            break;
        case FD_CLOSE:
            closeSignalled = true;
            break;
        default:
            break;
        }
    }

    void CreateWindowOnce() {
        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSEXW wc{};
        if (!::GetClassInfoExW(instance, kWindowClass, &wc)) {
            wc = WNDCLASSEXW{};
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = &Impl::WindowProc;
            wc.hInstance = instance;
            wc.lpszClassName = kWindowClass;
            ::RegisterClassExW(&wc);
        }
        window = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   instance, nullptr);
        if (window) ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    bool CreateSocket(bool noLinger) {
        SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) return false;
        if (noLinger) {
            // Close at once, without waiting for unsent data.
            LINGER linger{1, 0};
            ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&linger),
                         sizeof(linger));
        }
        if (::WSAAsyncSelect(s, window, kSocketMessage,
                             FD_READ | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE) != 0) {
            ::closesocket(s);
            return false;
        }
        socket = s;
        return true;
    }

    void CloseSocket() {
        if (socket != INVALID_SOCKET) ::closesocket(socket);
        socket = INVALID_SOCKET;
        // Notifications of the closed socket may still wait in the queue,
        // and the next socket may get the same handle: a stale close or
        // connect would then be taken for the new connection's.
        if (window) {
            MSG msg;
            while (::PeekMessageW(&msg, window, kSocketMessage, kSocketMessage, PM_REMOVE)) {
            }
        }
        connected = false;
        closeSignalled = false;
        connectError = 0;
        pending.clear();
    }

    void StartTimer() {
        // A time-out that ended the previous step cancels nothing more.
        if (timedOut) cancelled = false;
        timedOut = false;
        StopTimer();
        if (timeOut > 0 && window) {
            ::SetTimer(window, kTimerId, timeOut, nullptr);
            timerRunning = true;
        }
    }

    void StopTimer() {
        if (timerRunning && window) ::KillTimer(window, kTimerId);
        timerRunning = false;
    }

    // Handles every message waiting for this thread, as the program's own
    // loop would.
    void Pump() {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // The program is ending: give up the step, and leave the
                // quit for the program's loop (ForwardQuit).
                quit = msg.wParam;
                cancelled = true;
                return;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }

    void Wait(DWORD ms) {
        ::MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }

    enum class Received { Data, Closed, WouldBlock };
    Received ReceiveSome(size_t& got) {
        got = 0;
        if (socket == INVALID_SOCKET) return Received::Closed;
        int n = ::recv(socket, buffer.data(), static_cast<int>(buffer.size()), 0);
        if (n > 0) {
            got = static_cast<size_t>(n);
            return Received::Data;
        }
        if (n == 0) return Received::Closed;
        int error = ::WSAGetLastError();
        if (error == WSAENOTCONN) return Received::Closed;
        if (error == WSAEWOULDBLOCK) {
            // The server's close has been signalled and nothing waits.
            return closeSignalled ? Received::Closed : Received::WouldBlock;
        }
        ThrowSocketError(error);
    }

    std::optional<in_addr> Lookup(const std::string& host) {
        in_addr addr{};
        addr.s_addr = ::inet_addr(host.c_str());
        if (!host.empty() && addr.s_addr != INADDR_NONE) return addr;
        if (host.empty()) return std::nullopt;
        lookupDone = false;
        lookupError = 0;
        lookupBuffer = std::make_unique<char[]>(kLookupBufferSize);
        lookupTask = ::WSAAsyncGetHostByName(window, kLookupMessage, host.c_str(),
                                             lookupBuffer.get(), kLookupBufferSize);
        if (!lookupTask) return std::nullopt;
        StartTimer();
        while (!lookupDone && !cancelled) {
            Pump();
            if (!lookupDone && !cancelled) Wait(kPollMs);
        }
        StopTimer();
        if (!lookupDone) {
            AbandonLookup();
            throw timedOut ? ESockError(Lng::NetLookupTimedOut, "Host Lookup Timed Out")
                           : ESockError(Lng::NetCancelled, "Host Lookup Canceled");
        }
        lookupTask = nullptr;
        if (lookupError != 0) return std::nullopt; // "Host Lookup Failed"
        const auto* entry = reinterpret_cast<const hostent*>(lookupBuffer.get());
        if (entry->h_length != sizeof(in_addr) || !entry->h_addr_list || !entry->h_addr_list[0])
            return std::nullopt;
        std::copy_n(entry->h_addr_list[0], sizeof(in_addr), reinterpret_cast<char*>(&addr));
        return addr;
    }

    void AbandonLookup() {
        if (!lookupTask) return;
        ::WSACancelAsyncRequest(lookupTask);
        lookupTask = nullptr;
        // Some socket libraries cannot cancel a lookup that has started and
        // still write its result into the buffer later: the buffer is left
        // to it (1 KiB per abandoned lookup) rather than freed under it.
        (void)lookupBuffer.release();
    }

    // The time limit of one network step.
    class StepTimer {
      public:
        explicit StepTimer(Impl& impl) : impl_(impl) { impl_.StartTimer(); }
        ~StepTimer() { impl_.StopTimer(); }
        StepTimer(const StepTimer&) = delete;
        StepTimer& operator=(const StepTimer&) = delete;
        void Restart() { impl_.StartTimer(); }

      private:
        Impl& impl_;
    };
};

SocketClient::SocketClient() : impl_(std::make_unique<Impl>()) {
    if (!StartSockets()) throw ESockError(Lng::NetStartFailed, kInitFailed);
    impl_->CreateWindowOnce();
    if (!impl_->window || !impl_->CreateSocket(true)) {
        if (impl_->window) ::DestroyWindow(impl_->window);
        StopSockets();
        throw ESockError(Lng::NetStartFailed, kInitFailed);
    }
}

SocketClient::~SocketClient() {
    impl_->cancelled = true;
    impl_->AbandonLookup();
    impl_->StopTimer();
    impl_->CloseSocket();
    if (impl_->window) ::DestroyWindow(impl_->window);
    StopSockets();
}

void SocketClient::Cancel() {
    impl_->cancelled = true;
}

bool SocketClient::Connected() const {
    return impl_->connected;
}

void SocketClient::Connect(const std::string& host, uint16_t port) {
    Impl& s = *impl_;
    if (s.connected) throw ESockError(Lng::NetBusy, "Already connected");
    s.timeOut = TimeOut;
    s.cancelled = false;
    s.timedOut = false;
    if (s.socket == INVALID_SOCKET && !s.CreateSocket(false))
        throw ESockError(Lng::NetStartFailed, kInitFailed);
    // Time-outs and cancellations of the lookup pass on; a name that did
    // not resolve becomes "no address".
    std::optional<in_addr> addr = s.Lookup(host);
    if (!addr || addr->s_addr == 0) throw ESockError(Lng::NetHostNotFound, "Null Remote Address");
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = ::htons(port);
    to.sin_addr = *addr;
    s.connectError = 0;
    if (::connect(s.socket, reinterpret_cast<const sockaddr*>(&to), sizeof(to)) != 0) {
        int error = ::WSAGetLastError();
        if (error != WSAEWOULDBLOCK) ThrowSocketError(error);
    }
    Impl::StepTimer timer(s);
    while (!s.connected && !s.connectError && !s.cancelled) {
        s.Pump();
        if (!s.connected && !s.connectError && !s.cancelled) s.Wait(kPollMs);
    }
    if (s.connected) return;
    // The notification's own error says why ("10061:Connection refused").
    if (s.connectError) ThrowSocketError(s.connectError);
    throw s.timedOut ? ESockError(Lng::NetConnectTimedOut, "Connection Timed out")
                     : ESockError(Lng::NetCancelled, "Connection Canceled");
}

void SocketClient::Write(std::string_view text) {
    Impl& s = *impl_;
    text = text.substr(0, std::min(text.find('\0'), kMaxWrite));
    Impl::StepTimer timer(s);
    size_t done = 0;
    while (done < text.size()) {
        if (s.cancelled) throw EAbortError(Lng::NetAborted, "Socket send aborted");
        int n = ::send(s.socket, text.data() + done, static_cast<int>(text.size() - done), 0);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        int error = ::WSAGetLastError();
        if (n == SOCKET_ERROR && error != WSAEWOULDBLOCK) ThrowSocketError(error);
        s.Pump();
        if (s.cancelled) throw EAbortError(Lng::NetAborted, "Socket send aborted");
        s.Wait(kPollMs);
    }
}

std::string SocketClient::ReadLine(size_t limit) {
    Impl& s = *impl_;
    Impl::StepTimer timer(s);
    for (;;) {
        size_t length = LineLength(s.pending);
        if (length != std::string::npos || s.pending.size() > limit) {
            if (length == std::string::npos || length > limit)
                throw ESockError(Lng::NetAnswerTooLong,
                                 "Response header too long (more than 65536 bytes)");
            std::string line = s.pending.substr(0, length);
            s.pending.erase(0, length);
            return line;
        }
        if (s.cancelled) throw EAbortError(Lng::NetAborted, "Socket readln aborted");
        size_t got = 0;
        switch (s.ReceiveSome(got)) {
        case Impl::Received::Data:
            s.pending.append(s.buffer.data(), got);
            break;
        case Impl::Received::Closed:
            // A line the connection cut off is no line.
            s.pending.clear();
            return {};
        case Impl::Received::WouldBlock:
            s.Pump();
            if (s.cancelled) throw EAbortError(Lng::NetAborted, "Socket readln aborted");
            s.Wait(kReceiveWaitMs);
            break;
        }
    }
}

void SocketClient::Capture(const std::function<void(std::string_view)>& sink,
                           const char* abortText) {
    Impl& s = *impl_;
    Impl::StepTimer timer(s);
    if (!s.pending.empty()) {
        std::string first = std::move(s.pending);
        s.pending.clear();
        sink(first);
    }
    for (;;) {
        s.Pump();
        if (s.cancelled) throw EAbortError(Lng::NetAborted, abortText);
        size_t got = 0;
        switch (s.ReceiveSome(got)) {
        case Impl::Received::Data:
            sink(std::string_view(s.buffer.data(), got));
            timer.Restart();
            break;
        case Impl::Received::Closed:
            return;
        case Impl::Received::WouldBlock:
            s.Wait(kReceiveWaitMs);
            break;
        }
    }
}

void SocketClient::Disconnect() {
    Impl& s = *impl_;
    s.StopTimer();
    s.CloseSocket();
    // Ready for the next transaction; when this fails, Connect tries again
    // and reports it.
    s.CreateSocket(false);
}

void SocketClient::ForwardQuit() {
    if (impl_->quit) {
        ::PostQuitMessage(static_cast<int>(*impl_->quit));
        impl_->quit.reset();
    }
}

// ---------------------------------------------------------------------------

namespace {

// The body file of InputFileMode, created when the body begins.
class BodyFile {
  public:
    explicit BodyFile(const std::string& path) : path_(path) {
        file_.reset(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_) throw AppError(FileErrorText(FileOperation::Create, path));
    }
    void Append(std::string_view bytes) {
        DWORD put = 0;
        if (!::WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put,
                         nullptr) ||
            put != bytes.size())
            throw AppError(FileErrorText(FileOperation::WriteInto, path_));
    }

  private:
    std::string path_;
    UniqueHandle file_;
};

void WriteWholeFile(const std::string& path, std::string_view bytes) {
    BodyFile f(path);
    f.Append(bytes);
}

} // namespace

void HttpClient::Get(const std::string& url) {
    if (busy_) throw ESockError(Lng::NetBusy, "Already connected");
    busy_ = true;
    struct Done {
        HttpClient& c;
        ~Done() {
            c.busy_ = false;
            c.ForwardQuit();
        }
    } done{*this};

    redirects_ = 0;
    std::string next = url;
    for (;;) {
        UrlParts parts = ParseUrl(next, host_, Port);
        host_ = parts.host;
        Port = parts.port;
        path_ = parts.path;
        try {
            Transaction();
        } catch (...) {
            Disconnect();
            throw;
        }
        Disconnect();
        // A redirect without a target has nothing to follow; every other
        // status than 300 to 302 ends the transaction as it is.
        if (!IsRedirectStatus(status_) || location_.empty()) return;
        if (redirects_ == kMaxRedirects)
            throw ESockError(Lng::NetTooManyRedirects,
                             "Too many redirects (more than " + std::to_string(kMaxRedirects) + ")",
                             {std::to_string(kMaxRedirects)});
        ++redirects_;
        next = RedirectUrl(location_, host_, Port);
    }
}

void HttpClient::Transaction() {
    status_ = 0;
    location_.clear();
    Connect(host_, Port);
    Write(RequestHead(path_, host_));
    Write(kRequestEnd);

    ResponseHead head;
    do {
        std::string line = ReadLine(kMaxResponseHead - head.Text().size());
        head.Add(line);
    } while (!head.Complete());
    status_ = head.Status();
    location_ = head.Location();
    if (OutputFileMode)
        WriteWholeFile(Header, head.Text());
    else
        Header = head.Text();

    uint64_t received = 0;
    auto count = [&](std::string_view piece) {
        received += piece.size();
        if (MaxBody && received > MaxBody)
            throw ESockError(Lng::NetAnswerTooLong, "Response body too large");
    };
    if (InputFileMode) {
        BodyFile file(Body);
        Capture(
            [&](std::string_view piece) {
                count(piece);
                file.Append(piece);
            },
            "Socket send aborted");
    } else {
        Body.clear();
        Capture(
            [&](std::string_view piece) {
                count(piece);
                Body.append(piece);
            },
            "Socket capture aborted");
    }
}

} // namespace qv
