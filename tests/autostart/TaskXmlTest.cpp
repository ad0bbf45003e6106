// The task definition reader and the resolution of command lines to the file
// that runs: plain data in, plain data out.
#include "autostart/ProgramPath.h"
#include "autostart/TaskXml.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace qv {
namespace {

using test::Utf16;

std::string Task(std::string_view body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
           "<Task version=\"1.2\" "
           "xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">" +
           std::string(body) + "</Task>";
}

const std::string kFull =
    Task("<!-- a comment --><Triggers><LogonTrigger><Enabled>true</Enabled></LogonTrigger>"
         "<CalendarTrigger/><BootTrigger/><EventTrigger/></Triggers>"
         "<Settings><Enabled>false</Enabled></Settings>"
         "<Actions Context=\"Author\"><Exec><Command>\"%ProgramFiles%\\A &amp; B\\a.exe\"</Command>"
         "<Arguments><![CDATA[-x <y>]]></Arguments></Exec>"
         "<ComHandler><ClassId>{1}</ClassId></ComHandler>"
         "<Exec><Command> b.exe </Command></Exec></Actions>");

TEST(TaskXml, ReadsWhatTheListShowsAndRefusesBadInput) {
    std::string deep = "<Task>";
    for (int i = 0; i < 10000; ++i)
        deep += "<a>";
    for (int i = 0; i < 10000; ++i)
        deep += "</a>";
    deep += "</Task>";
    std::string big = Task("<Actions><Exec><Command>x.exe</Command></Exec></Actions>");
    big.insert(big.size() - 7, std::string(10 * 1024 * 1024, ' '));

    struct Case {
        const char* name;
        std::string bytes;
        bool reads;
        size_t execs = 0;
        bool enabled = true;
    };
    const Case cases[] = {
        {"UTF-16LE with a mark", Utf16(kFull), true, 2, false},
        {"UTF-16BE with a mark", Utf16(kFull, true, true), true, 2, false},
        {"UTF-16LE without a mark", Utf16(kFull, false), true, 2, false},
        {"UTF-8 instead of UTF-16", kFull, true, 2, false},
        {"UTF-8 with a mark", "\xEF\xBB\xBF" + kFull, true, 2, false},
        {"no actions", Task("<Triggers><BootTrigger/></Triggers>"), true, 0, true},
        {"not XML", std::string("MZ\x90\0\x03\0\0\0", 8) + "This program cannot", false},
        {"10 MB of XML", big, false},
        {"10,000 nested elements", deep, false},
        {"another root", "<Tusk></Tusk>", false},
        {"two roots", Task("") + "<Task/>", false},
        {"unclosed", "<Task><Actions>", false},
        {"crossed tags", "<Task><a><b></a></b></Task>", false},
        {"unknown entity", Task("<Actions><Exec><Command>&x;</Command></Exec></Actions>"), false},
        {"document type", "<!DOCTYPE Task [<!ENTITY x \"y\">]>" + Task(""), false},
        {"broken UTF-8", Task("\xC3"), false},
        {"lone surrogate", Utf16("<Task>") + std::string("\x00\xD8", 2) + Utf16("</Task>", false),
         false},
        {"empty", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto def = ParseTaskXml(c.bytes);
        ASSERT_EQ(def.has_value(), c.reads);
        if (!def) continue;
        EXPECT_EQ(def->execs.size(), c.execs);
        EXPECT_EQ(def->enabled, c.enabled);
    }
    const auto def = ParseTaskXml(Utf16(kFull));
    ASSERT_TRUE(def);
    EXPECT_EQ(def->execs[0].command, "\"%ProgramFiles%\\A & B\\a.exe\"");
    EXPECT_EQ(def->execs[0].arguments, "-x <y>");
    EXPECT_EQ(def->execs[1].command, "b.exe");
    EXPECT_EQ(def->triggers, (std::vector<TaskTrigger>{TaskTrigger::Logon, TaskTrigger::Schedule,
                                                       TaskTrigger::Boot, TaskTrigger::Other}));
    // Text outside ASCII comes out as UTF-8 from either encoding.
    const std::string umlaut =
        Task("<Actions><Exec><Command>\xC3\xA4.exe</Command></Exec></Actions>");
    std::string u16 = Utf16(umlaut.substr(0, umlaut.find('\xC3')));
    u16 += std::string("\xE4\0", 2) + Utf16(umlaut.substr(umlaut.find('\xC3') + 2), false);
    EXPECT_EQ(ParseTaskXml(u16)->execs[0].command, "\xC3\xA4.exe");
}

TEST(ProgramPath, ResolvesTheFileThatRuns) {
    const std::set<std::string> files = {
        "C:\\windows\\system32\\svchost.exe", "C:\\windows\\system32\\drivers\\a.sys",
        "C:\\Program Files\\Tool\\tool.exe",  "C:\\Program.exe",
        "C:\\windows\\notepad.exe",           "C:\\Tools\\run.exe",
        "C:\\windows\\system32\\kerberos.dll"};
    PathContext ctx{"C:\\windows\\", "C:\\windows\\system32\\",
                    [](std::string_view t) {
                        std::string s(t);
                        const size_t at = s.find("%SystemRoot%");
                        if (at != std::string::npos) s.replace(at, 12, "C:\\windows");
                        return s;
                    },
                    [&](const std::string& p) { return files.count(p) > 0; }};
    struct Case {
        std::string_view in, commandLine, program = {};
    };
    const Case cases[] = {
        {"\\SystemRoot\\System32\\drivers\\a.sys", "C:\\windows\\System32\\drivers\\a.sys"},
        {"System32\\drivers\\a.sys", "C:\\windows\\System32\\drivers\\a.sys"},
        {"\\??\\C:\\Tools\\run.exe", "C:\\Tools\\run.exe"},
        {"%SystemRoot%\\system32\\svchost.exe -k netsvcs", "C:\\windows\\system32\\svchost.exe"},
        {"\"C:\\Program Files\\Tool\\tool.exe\" /service", "C:\\Program Files\\Tool\\tool.exe"},
        // Unquoted with a blank: the system starts the first part that exists.
        {"C:\\Program Files\\Tool\\tool.exe /service", "C:\\Program.exe"},
        {"C:\\Tools\\run -x", "C:\\Tools\\run.exe"},
        {"C:\\Gone Away\\x.exe -a", "C:\\Gone Away\\x.exe"},
        {"C:\\Gone\\x -a", "C:\\Gone\\x"},
        {"svchost.exe", "C:\\windows\\system32\\svchost.exe"},
        {"", ""},
        // A bare name: the system folder first, then the Windows folder.
        {"notepad.exe", "C:\\windows\\notepad.exe"},
        {"\"C:\\Program Files\\Tool\\tool.exe\"", "C:\\Program Files\\Tool\\tool.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.in));
        EXPECT_EQ(ResolveCommandLineFile(c.in, ctx), c.commandLine);
        // A task's program is one path, blanks and all.
        const std::string_view program = c.program.empty() ? c.commandLine : c.program;
        if (c.in.find(' ') == std::string_view::npos || c.in.ends_with("\"")) {
            EXPECT_EQ(ResolveProgramFile(c.in, ctx), program);
        }
    }
    // A module name of a list gets the extension its loader adds.
    EXPECT_EQ(ResolveCommandLineFile("kerberos", ctx, ".dll"),
              "C:\\windows\\system32\\kerberos.dll");
    EXPECT_EQ(ResolveProgramFile("C:\\Program Files\\Tool\\tool.exe", ctx),
              "C:\\Program Files\\Tool\\tool.exe");
    // 32 KiB of blanks and words cost a bounded number of look-ups.
    size_t lookups = 0;
    ctx.fileExists = [&](const std::string&) { return ++lookups, false; };
    std::string huge;
    for (int i = 0; i < 8000; ++i)
        huge += "ab c";
    ResolveCommandLineFile(huge, ctx);
    // 32 cuts, each a bare name in two folders, with and without ".exe".
    EXPECT_LE(lookups, 4u * 32);
}

} // namespace
} // namespace qv
