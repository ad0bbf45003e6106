#include "update/HttpProtocol.h"

#include "base/Text.h"

namespace qv {

namespace {

// Position of the n-th "/" of the text (n from 1), or npos.
size_t NthSlash(std::string_view s, int n) {
    size_t pos = std::string_view::npos;
    for (int i = 0; i < n; ++i) {
        pos = s.find('/', pos == std::string_view::npos ? 0 : pos + 1);
        if (pos == std::string_view::npos) return pos;
    }
    return pos;
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// A port after the host's ":"; an empty one keeps the port the client has.
uint16_t PortNumber(std::string_view text, uint16_t current) {
    if (text.empty()) return current;
    if (!AllDigits(text) || text.size() > 5)
        throw ESockError(Lng::NetBadAddress, "Invalid port in URL");
    unsigned long n = std::stoul(std::string(text));
    if (n == 0 || n > 65535) throw ESockError(Lng::NetBadAddress, "Invalid port in URL");
    return static_cast<uint16_t>(n);
}

std::string_view WithoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

} // namespace

UrlParts ParseUrl(std::string_view url, std::string_view host, uint16_t port) {
    if (url.empty()) throw ESockError(Lng::NetBadAddress, "Empty URL");
    for (char c : url)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            throw ESockError(Lng::NetBadAddress, "Invalid URL");
    UrlParts parts;
    parts.url.assign(url);
    parts.host.assign(host);
    parts.port = port == 0 ? 80 : port;
    const bool hasDoubleSlash = url.find("//") != std::string_view::npos;

    // The path.
    if (hasDoubleSlash) {
        size_t third = NthSlash(url, 3);
        if (third != std::string_view::npos) parts.path.assign(url.substr(third));
    } else if (size_t first = url.find('/'); first != std::string_view::npos) {
        parts.path.assign(url.substr(first));
    }
    if (parts.path.size() > kMaxRequestPath) parts.path.resize(kMaxRequestPath);

    // The scheme sets the port.
    if (size_t colon = url.find(':'); colon != std::string_view::npos) {
        std::string_view scheme = url.substr(0, colon);
        if (SameTextAscii(scheme, "gopher"))
            parts.port = 70;
        else if (SameTextAscii(scheme, "ftp"))
            parts.port = 21;
        else if (SameTextAscii(scheme, "https"))
            throw ESockError(Lng::NetHttpsUnsupported, "HTTP Secure Socket is not supported");
        else
            parts.port = 80;
    }

    // The host, and a port written after it.
    std::optional<std::string_view> hostText;
    if (hasDoubleSlash) {
        size_t second = NthSlash(url, 2);
        size_t third = NthSlash(url, 3);
        size_t end = third == std::string_view::npos ? url.size() : third;
        hostText = url.substr(second + 1, end - second - 1);
    } else if (url.front() != '/') {
        hostText = url.substr(0, url.find('/'));
    }
    if (hostText) {
        std::string_view h = *hostText;
        if (size_t colon = h.find(':'); colon != std::string_view::npos) {
            parts.port = PortNumber(h.substr(colon + 1), parts.port);
            h = h.substr(0, colon);
        }
        if (!h.empty()) parts.host.assign(h);
    }

    if (parts.path.empty()) {
        parts.path.push_back('/');
        parts.url.push_back('/');
    }
    return parts;
}

std::string RequestHead(std::string_view path, std::string_view host) {
    std::string r;
    r.reserve(300 + path.size() + host.size());
    r.append("GET ").append(path).append(" HTTP/1.0\r\n");
    r.append("Host: ").append(host).append("\r\n");
    r.append("Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n");
    r.append("Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n");
    r.append("Content-type: application/x-www-form-urlencoded\r\n");
    return r;
}

size_t LineLength(std::string_view received) {
    size_t lf = received.find('\n');
    return lf == std::string_view::npos ? lf : lf + 1;
}

int16_t StatusCodeOf(std::string_view statusLine) {
    std::string_view line = WithoutLineEnd(statusLine);
    size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return 0;
    std::string_view field = line.substr(blank + 1);
    field = field.substr(0, field.find(' '));
    if (!AllDigits(field) || field.size() > 5) return 0;
    unsigned long n = std::stoul(std::string(field));
    return n > 32767 ? 0 : static_cast<int16_t>(n);
}

bool IsHeaderEnd(std::string_view line) {
    return line.empty() || line == "\r\n" || line == "\n";
}

std::optional<std::string> LocationOf(std::string_view line) {
    std::string_view word = line.substr(0, line.find(' '));
    if (!SameTextAscii(word, "LOCATION:") || line.size() < 10) return std::nullopt;
    std::string_view target = line.substr(10);
    for (size_t i = 0; i < target.size(); ++i)
        if (static_cast<unsigned char>(target[i]) < 0x20 || target[i] == 0x7F) {
            // The line end, or a stray CR that would split the next request.
            target = target.substr(0, i);
            break;
        }
    if (target.size() > kMaxRedirectTarget) target = target.substr(0, kMaxRedirectTarget);
    return std::string(target);
}

void ResponseHead::CheckPartial(size_t bytesSoFar) const {
    if (text_.size() + bytesSoFar > kMaxResponseHead)
        throw ESockError(Lng::NetAnswerTooLong, "Response header too long (more than 65536 bytes)");
}

bool ResponseHead::Add(std::string_view line) {
    CheckPartial(line.size());
    text_.append(line);
    if (!sawStatus_) {
        sawStatus_ = true;
        status_ = StatusCodeOf(line);
        // The connection ended before a status line: nothing more will come.
        complete_ = line.empty();
        return complete_;
    }
    if (IsHeaderEnd(line)) {
        complete_ = true;
        return true;
    }
    if (auto target = LocationOf(line)) location_ = std::move(*target);
    return false;
}

bool IsRedirectStatus(int status) {
    return status >= 300 && status <= 302;
}

std::string RedirectUrl(std::string_view target, std::string_view host, uint16_t port) {
    if (target.find('/') != std::string_view::npos) return std::string(target);
    std::string url("http://");
    url.append(host);
    if (port != 80) url.append(":").append(std::to_string(port));
    url.push_back('/');
    url.append(target);
    return url;
}

namespace {
struct SocketError {
    int code;
    const char* text;
};
// The descriptions of the socket error codes, as the messages show them.
constexpr SocketError kSocketErrors[] = {
    {10004, "Interrupted system call"},
    {10009, "Bad file number"},
    {10013, "Permission denied"},
    {10014, "Bad address"},
    {10022, "Invalid argument"},
    {10024, "Too many open files"},
    {10035, "Operation would block"},
    {10036, "Operation now in progress"},
    {10037, "Operation already in progress"},
    {10038, "Socket operation on non-socket"},
    {10039, "Destination address required"},
    {10040, "Message too long"},
    {10041, "Wrong protocol type for socket"},
    {10042, "Bad protocol option"},
    {10043, "Protocol not supported"},
    {10044, "Socket type not supported"},
    {10045, "Operation not supported on socket"},
    {10046, "Protocol family not supported"},
    {10047, "Address family not supported by protocol family"},
    {10048, "Address already in use"},
    {10049, "Can't assign requested address"},
    {10050, "Network is down"},
    {10051, "Network is unreachable"},
    {10052, "Network dropped connection or reset"},
    {10053, "Software caused connection abort"},
    {10054, "Connection reset by peer"},
    {10055, "No buffer space available"},
    {10056, "Socket is already connected"},
    {10057, "Socket is not connected"},
    {10058, "Can't send after socket shutdown"},
    {10059, "Too many references, can't splice"},
    {10060, "Connection timed out"},
    {10061, "Connection refused"},
    {10062, "Too many levels of symbolic links"},
    {10063, "File name too long"},
    {10064, "Host is down"},
    {10065, "No route to Host"},
    {10066, "Directory not empty"},
    {10067, "Too many processes"},
    {10068, "Too many users"},
    {10069, "Disc quota exceeded"},
    {10070, "Stale NFS file handle"},
    {10071, "Too many levels of remote in path"},
    {10091, "Network subsystem is unavailable"},
    {10092, "Incompatible version of WINSOCK.DLL"},
    {10093, "Successful WSAStartup not yet performed"},
    {11001, "Host not found"},
    {11002, "Non-Authoritative Host not found"},
    {11003, "Non-Recoverable error: FORMERR, REFUSED, NOTIMP"},
    {11004, "Valid name, no data record of requested type"},
};
} // namespace

ESockError SocketFailure(int code) {
    switch (code) {
    case 10060:
        return ESockError(Lng::NetConnectTimedOut, SocketErrorText(code));
    case 10061:
        return ESockError(Lng::NetRefused, SocketErrorText(code));
    case 11001:
    case 11002:
    case 11004:
        return ESockError(Lng::NetHostNotFound, SocketErrorText(code));
    default:
        return ESockError(Lng::NetError, SocketErrorText(code), {std::to_string(code)});
    }
}

std::string SocketErrorText(int code) {
    for (const SocketError& e : kSocketErrors)
        if (e.code == code) return std::to_string(code) + ":" + e.text;
    return "Unknown Error No. " + std::to_string(code);
}

} // namespace qv
