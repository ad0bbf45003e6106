// Shows one dialog of the program by itself so that a screenshot can be
// taken of it: "dialogshot update" opens the update check against a server
// on 127.0.0.1 that takes the connection and never answers, so the dialog
// stays in its waiting state with the bar at 1 until the time limit.
#include "base/LanguageFile.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "update/CheckUpdateUnit.h"

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

// A listening socket nobody accepts from: the connection completes in the
// backlog and the request waits for an answer that never comes.
struct SilentServer {
    SOCKET s = INVALID_SOCKET;
    unsigned short port = 0;
    SilentServer() {
        WSADATA d;
        if (::WSAStartup(0x0202, &d) != 0) return;
        s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = ::inet_addr("127.0.0.1");
        int len = sizeof a;
        if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 4) != 0 ||
            ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port = ::ntohs(a.sin_port);
    }
    ~SilentServer() {
        if (s != INVALID_SOCKET) ::closesocket(s);
        ::WSACleanup();
    }
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    qv::ComInit com;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    const std::string appDir = qv::ExecutableDir();
    qv::LanguageFile lines;
    lines.LoadFromBytes(qv::ReadFileBytes(appDir + "qv6.lng").value_or(""));

    const std::string which = cmdLine ? cmdLine : "";
    if (which == "update") {
        SilentServer server;
        if (!server.port) return 2;
        qv::ShowUpdateCheck(lines, appDir, "http://127.0.0.1:" + std::to_string(server.port) + "/");
        return 0;
    }
    return 1;
}
