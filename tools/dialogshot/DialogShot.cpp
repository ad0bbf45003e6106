// Shows one dialog of the program by itself so that a screenshot can be
// taken of it:
//   update    the update check against a server on 127.0.0.1 that takes the
//             connection and never answers, so the dialog stays in its
//             waiting state with the bar at 1 until the time limit
//   edit      the entry editor on the first Run entry of the machine
//   textedit  the text file editor on an autoexec.bat of its own
//   report    the report of the machine's entries
//   history   the change history with one change of each kind it shows
#include "app/HistoryUnit.h"
#include "autostart/ASEditUnit.h"
#include "autostart/Scanner.h"
#include "autostart/TextfileEditUnit.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/LanguageFile.h"
#include "history/HistoryStore.h"
#include "model/AppModel.h"
#include "report/ReportUnit.h"
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
    qv::AppModel model;
    model.AppDir = qv::ExecutableDir();
    model.LanguageTable.LoadFromBytes(qv::ReadFileBytes(model.AppDir + "qv6.lng").value_or(""));
    const qv::LanguageFile& lines = model.LanguageTable;

    const std::string which = cmdLine ? cmdLine : "";
    if (which == "update") {
        SilentServer server;
        if (!server.port) return 2;
        qv::ShowUpdateCheck(lines, model.AppDir,
                            "http://127.0.0.1:" + std::to_string(server.port) + "/");
        return 0;
    }
    if (which == "textedit") {
        qv::TTextfileEditForm form(lines);
        // A file of its own with the lines of an old boot file.
        form.EditFileName = qv::MakeTempDirectory("qvshot") + "autoexec.bat";
        qv::WriteFileAtomic(form.EditFileName, "@echo off\r\nprompt $p$g\r\npath c:\\windows;"
                                               "c:\\windows\\command\r\nset temp=c:\\temp\r\n");
        form.ShowModal();
        return 0;
    }
    qv::ScanAutostarts(model, lines[qv::Lng::ExplorerCaption], lines[qv::Lng::WindowsDefaultMark]);
    if (which == "edit") {
        qv::TASEditForm form(lines);
        if (!model.ASEntries.empty()) form.EditedEntry = model.ASEntries.front();
        form.ShowModal();
        return 0;
    }
    if (which == "report") {
        qv::TReportForm form(model);
        form.ShowModal();
        return 0;
    }
    if (which == "history") {
        // A folder of its own, so that the program's own history is left
        // alone.
        model.AppDir = qv::MakeTempDirectory("qvshot");
        for (qv::ChangeKind kind : {qv::ChangeKind::Delete, qv::ChangeKind::KnownAdd,
                                    qv::ChangeKind::Deactivate, qv::ChangeKind::ProcessEnded}) {
            qv::ChangeRecord change;
            change.kind = kind;
            change.caption =
                model.ASEntries.empty() ? "tool.exe" : model.ASEntries.front().Caption.str();
            qv::RecordChange(model.AppDir, change);
        }
        qv::THistoryForm form(model);
        form.ShowModal();
        return 0;
    }
    return 1;
}
