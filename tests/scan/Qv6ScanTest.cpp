// The real qv6scan.exe, run as a child process in a folder of its own against
// a seeded machine: its JSON and CSV parse, match the machine field by field,
// and the program never writes a file.
#include "support/Model.h"
#include "JsonReader.h"

#include "autostart/AutostartEntry.h"
#include "autostart/Groups.h"
#include "autostart/AutostartMachine.h"
#include "autostart/RootKeys.h"
#include "autostart/Scanner.h"
#include "base/Crypto.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/LanguageFile.h"
#include "base/Text.h"
#include "base/WinText.h"
#include "database/CRC.h"
#include "database/KnownEntries.h"
#include "scan/ScanOutput.h"
#include "support/Entries.h"
#include "support/Signing.h"
#include "support/TestSupport.h"

#include <windows.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>

namespace qv::test {
namespace {

const std::string kCV = "Software\\Microsoft\\Windows\\CurrentVersion\\";
const std::string kWowRun = "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kPolicyRun = kCV + "Policies\\Explorer\\Run";

struct ProgramRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

// Reads a pipe to its end.
void Drain(HANDLE pipe, std::string& into) {
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(pipe, buf, sizeof buf, &got, nullptr) && got > 0)
        into.append(buf, got);
}

// Runs the program with the arguments in the working directory; both output
// streams are collected. A run that takes more than two minutes is ended and
// fails the test.
ProgramRun RunProgram(const std::string& exe, const std::vector<std::string>& args,
                      const std::string& cwd) {
    ProgramRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    EXPECT_TRUE(::CreatePipe(&outRead, &outWrite, &inherit, 0));
    EXPECT_TRUE(::CreatePipe(&errRead, &errWrite, &inherit, 0));
    UniqueHandle outR(outRead), outW(outWrite), errR(errRead), errW(errWrite);
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    UniqueHandle nul(::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherit, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nul.get();
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    std::string cmd = "\"" + exe + "\"";
    for (const std::string& a : args)
        cmd += " \"" + a + "\"";
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                          nullptr, cwd.c_str(), &si, &pi)) {
        ADD_FAILURE() << "cannot start " << exe;
        return run;
    }
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    outW.reset();
    errW.reset();
    std::thread errReader([&] { Drain(errR.get(), run.err); });
    std::thread outReader([&] { Drain(outR.get(), run.out); });
    if (::WaitForSingleObject(process.get(), 120000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 99);
        ADD_FAILURE() << "qv6scan did not finish";
    }
    outReader.join();
    errReader.join();
    ::GetExitCodeProcess(process.get(), &run.exitCode);
    return run;
}

// What the system makes of ANSI text as UTF-8: the expectation, independent
// of qv6scan's own table.
std::string SystemUtf8(std::string_view ansi) {
    if (ansi.empty()) return {};
    int n =
        ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), w.data(), n);
    int m = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(m), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.data(), n, out.data(), m, nullptr, nullptr);
    return out;
}

std::string Hex(std::string_view bytes) {
    return ToHex(Sha256(bytes));
}

void MakeLink(const std::string& linkPath, const std::string& target) {
    ComPtr<IShellLinkA> link;
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IShellLinkA, link.put_void())));
    ASSERT_TRUE(SUCCEEDED(link->SetPath(target.c_str())));
    ComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())));
    ASSERT_TRUE(SUCCEEDED(file->Save(ToWide(linkPath).c_str(), TRUE)));
}

// Every file below the folder with its bytes.
void Snapshot(const std::string& folder, std::map<std::string, std::string>& into) {
    WIN32_FIND_DATAA fd;
    FindHandle find(::FindFirstFileA((folder + "*").c_str(), &fd));
    if (!find) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            into[folder + name + "\\"] = "<dir>";
            Snapshot(folder + name + "\\", into);
        } else {
            into[folder + name] = ReadBytes(folder + name);
        }
    } while (::FindNextFileA(find.get(), &fd));
}

// A CSV text per RFC 4180 as rows of fields; false when it is not.
bool ParseCsv(std::string_view s, std::vector<std::vector<std::string>>& rows) {
    rows.clear();
    size_t i = 0;
    while (i < s.size()) {
        std::vector<std::string> row;
        for (;;) {
            std::string field;
            if (i < s.size() && s[i] == '"') {
                ++i;
                for (;;) {
                    if (i >= s.size()) return false;
                    if (s[i] == '"') {
                        if (i + 1 < s.size() && s[i + 1] == '"') {
                            field.push_back('"');
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    field.push_back(s[i++]);
                }
            } else {
                while (i < s.size() && s[i] != ',' && s[i] != '\r' && s[i] != '\n') {
                    if (s[i] == '"') return false;
                    field.push_back(s[i++]);
                }
            }
            row.push_back(std::move(field));
            if (i < s.size() && s[i] == ',') {
                ++i;
                continue;
            }
            if (s.substr(i, 2) != "\r\n") return false; // every record ends with CR LF
            i += 2;
            break;
        }
        rows.push_back(std::move(row));
    }
    return true;
}

// The prefix's own services and drivers (and any task), which no test can
// empty: the listings are compared without them.
bool HeldBySystem(int group) {
    return group >= GroupByte(AutostartGroup::ScheduledTasks) &&
           group <= GroupByte(AutostartGroup::Drivers);
}
void DropSystemRows(JsonValue& rows) {
    std::erase_if(rows.items, [](const JsonValue& r) { return HeldBySystem(r.At("group").Int()); });
}

class Qv6Scan : public test::ModelTest {
  protected:
    void SetUp() override {
        exe_ = app_ / "qv6scan.exe";
        ASSERT_TRUE(::CopyFileA((ExecutableDir() + "qv6scan.exe").c_str(), exe_.c_str(), FALSE));
        lngBytes_ = ReadFileBytes(ExecutableDir() + "qv6.lng").value_or("");
        ASSERT_FALSE(lngBytes_.empty());
        WriteBytes(app_ / "qv6.lng", lngBytes_);
        language_.LoadFromBytes(lngBytes_);
    }

    ProgramRun Scan(std::vector<std::string> args) { return RunProgram(exe_, args, work_.Path()); }

    // The machine as qv6.exe lists it: the scan, then the deactivated
    // entries of the working directory.
    std::vector<AutostartEntry> ListedEntries() {
        ScanAutostarts(model, language_[LineAt(9)]);
        std::vector<AutostartEntry> all = model.ASEntries;
        for (AutostartEntry& e :
             DecodeRecords(ReadFileBytes(work_ / "aseinactive.dat").value_or(""))) {
            e.Active = 0;
            all.push_back(e);
        }
        return all;
    }

    TempDir app_;
    TempDir work_;
    std::string exe_;
    std::string lngBytes_;
    LanguageFile language_;
};

// Seeds one entry of every kind that matters for the listing and returns the
// known-entries database that accepts one of them.
struct SeededMachine {
    explicit SeededMachine(AutostartMachine& m, const std::string& appDir,
                           const std::string& workDir) {
        // Texts with what CSV and JSON must escape, and a non-ASCII letter.
        RegSetString(HKEY_CURRENT_USER, kCV + "Run", "\xC4rger, \"zitiert\"",
                     "\"C:\\Program Files\\Tool\\tool.exe\" /a,b\tc");
        RegSetString(HKEY_CURRENT_USER, kCV + "Run", "Zeilen", "eins\r\nzwei");
        RegKey k;
        EXPECT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kCV + "Run").c_str(), 0, nullptr, 0,
                                    KEY_WRITE | KEY_WOW64_32KEY, nullptr, k.put(), nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExA(k.get(), "Tool32", 0, REG_SZ, reinterpret_cast<const BYTE*>("t32.exe"), 8);
        RegSetString(HKEY_LOCAL_MACHINE, kPolicyRun, "1", "policy.exe");
        std::string off(12, '\0');
        off[0] = 3;
        off[4] = 0x55;
        RegKey a;
        EXPECT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER,
                                    (kCV + "Explorer\\StartupApproved\\Run").c_str(), 0, nullptr, 0,
                                    KEY_WRITE, nullptr, a.put(), nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExA(a.get(), "\xC4rger, \"zitiert\"", 0, REG_BINARY,
                         reinterpret_cast<const BYTE*>(off.data()), 12);

        WriteBytes(programs.Path() + "tool.exe", "tool program");
        // A hijack: the program that runs instead is the row's file.
        RegSetString(HKEY_LOCAL_MACHINE,
                     "Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution "
                     "Options\\notepad.exe",
                     "Debugger", "\"" + programs.Path() + "tool.exe\" /x");
        MakeLink(m.UserStartup() + "\\Tool.lnk", programs.Path() + "tool.exe");
        WriteBytes(m.UserStartup() + "\\notes.txt", "hello");
        // Large enough to be hashed piece by piece rather than as one buffer.
        big.assign((5u << 20) + 3, '\0');
        for (size_t i = 0; i < big.size(); ++i)
            big[i] = static_cast<char>(i * 7 + (i >> 12));
        WriteBytes(m.UserStartup() + "\\big.bin", big);
        WriteBytes(m.UserStartup() + "\\empty.txt", "");
        ::CreateDirectoryA((m.UserStartup() + "\\sub").c_str(), nullptr);
        m.SetUserStartup(m.UserStartup());
        m.SetIni(m.WinIni(), "windows", "load", "loader.exe");
        m.CreateFile("c:\\config.sys", "FILES=40");

        // Two deactivated entries: a file kept in the folder of kept files,
        // and a registry value.
        AutostartEntry keptFile =
            FileEntry("C:\\gone\\kept.txt", "kept.txt", "kept.txt", 5, 0,
                      static_cast<int32_t>(~UpdateCRC32(0xFFFFFFFFu, "kept bytes", 10)));
        keptFile.Active = 0;
        AutostartEntry keptValue =
            RegEntry(kRootCurrentUser, kCV + "Run", "Old", "old.exe", "Old", "old.exe", 0, 0);
        keptValue.Active = 0;
        WriteBytes(workDir + "aseinactive.dat", EncodeRecords({keptFile, keptValue}));
        ::CreateDirectoryA((appDir + "inactive").c_str(), nullptr);
        WriteBytes(appDir + "inactive\\file7.bak", "kept bytes");
        WriteBytes(appDir + "isf.dat", "file7|\"C:\\gone\\kept.txt\"|32\r\n");
    }
    TempDir programs;
    std::string big;
};

const JsonValue* FindRow(const JsonValue& rows, std::string_view key, std::string_view value) {
    for (const JsonValue& r : rows.items)
        if (r.At(key).text == value) return &r;
    return nullptr;
}

TEST_F(Qv6Scan, JsonParsesAndMatchesTheSeededMachineFieldByField) {
    AutostartMachine machine;
    SeededMachine seeded(machine, app_.Path(), work_.Path());
    // The 32-bit value is known; the database ends in a fragment, which is
    // said on stderr and does not stop the listing.
    std::vector<AutostartEntry> listed = ListedEntries();
    KnownEntryDB db;
    for (const AutostartEntry& e : listed)
        if (e.KeyPath.view() == kWowRun) db.Add(e);
    ASSERT_EQ(db.size(), 1u);
    WriteBytes(app_ / "asedb.dat", EncodeRecords(db.Records()) + std::string(100, 'x'));

    ProgramRun run = Scan({"--format", "json"});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.err.find("asedb.dat"), std::string::npos);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.out.find("\r"), std::string::npos); // LF only, nothing translated
    auto json = ParseJson(run.out);
    ASSERT_TRUE(json) << run.out;
    ASSERT_EQ(json->type, JsonValue::Array);
    // Compared without them: the listing names their start types from its
    // language file, this scan has none.
    DropSystemRows(*json);
    std::erase_if(listed, [](const AutostartEntry& e) { return HeldBySystem(e.Group); });
    ASSERT_EQ(json->items.size(), listed.size());

    // Every row is its entry, in the list's order, field by field.
    for (size_t i = 0; i < listed.size(); ++i) {
        const AutostartEntry& e = listed[i];
        const JsonValue& r = json->items[i];
        SCOPED_TRACE("row " + std::to_string(i) + " " + e.Caption.str());
        ASSERT_EQ(r.members.size(), 17u);
        EXPECT_EQ(r.At("group").Int(), e.Group);
        EXPECT_EQ(r.At("group_name").text, SystemUtf8(language_[GroupName(GroupOfByte(e.Group))]));
        EXPECT_EQ(r.At("category").text, GroupCategory(e.Group));
        EXPECT_EQ(r.At("kind").text, e.Kind == KindRegistry ? "registry"
                                     : e.Kind == KindIni    ? "ini"
                                                            : "file");
        EXPECT_EQ(r.At("caption").text, SystemUtf8(e.Caption.view()));
        EXPECT_EQ(r.At("detail").text, SystemUtf8(e.Detail.view()));
        EXPECT_EQ(r.At("file_name").text, SystemUtf8(e.FileName.view()));
        EXPECT_EQ(r.At("root_key").text,
                  e.Kind == KindRegistry ? RootKeyName(e.RootKey.view()) : "");
        EXPECT_EQ(r.At("section").text, e.Kind == KindIni ? e.RootKey.str() : "");
        EXPECT_EQ(r.At("key_path").text, SystemUtf8(e.KeyPath.view()));
        EXPECT_EQ(r.At("value_name").text, SystemUtf8(e.ValueName.view()));
        EXPECT_EQ(r.At("value_data").text, SystemUtf8(e.ValueData.view()));
        EXPECT_EQ(r.At("active").type, e.Active ? JsonValue::True : JsonValue::False);
        EXPECT_EQ(r.At("known").type, db.Find(e, false) >= 0 ? JsonValue::True : JsonValue::False);
        EXPECT_EQ(r.At("crc32").Int(), e.Checksum);
        EXPECT_TRUE(r.Has("sha256") && r.Has("approved"));
    }

    // The seeded entries, by what they are.
    const JsonValue* v = FindRow(*json, "value_name", "\xC3\x84rger, \"zitiert\"");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->At("value_data").text, "\"C:\\Program Files\\Tool\\tool.exe\" /a,b\tc");
    EXPECT_EQ(v->At("root_key").text, "HKEY_CURRENT_USER");
    EXPECT_EQ(v->At("approved").text, "disabled");
    EXPECT_EQ(v->At("sha256").text, "");
    EXPECT_EQ(FindRow(*json, "value_name", "Zeilen")->At("value_data").text, "eins\r\nzwei");
    EXPECT_EQ(FindRow(*json, "value_name", "Zeilen")->At("approved").text, "");
    const JsonValue* w = FindRow(*json, "value_name", "Tool32");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->At("key_path").text, kWowRun);
    EXPECT_EQ(w->At("known").type, JsonValue::True);
    const JsonValue* p = FindRow(*json, "value_name", "1");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->At("key_path").text, kPolicyRun);
    EXPECT_EQ(p->At("root_key").text, "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(p->At("group").Int(), 0);

    const JsonValue* hijack = FindRow(*json, "caption", "notepad.exe");
    ASSERT_TRUE(hijack);
    EXPECT_EQ(hijack->At("category").text, "image hijacks");
    EXPECT_EQ(hijack->At("sha256").text, Hex("tool program"));
    const JsonValue* link = FindRow(*json, "caption", "Tool.lnk");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->At("sha256").text, Hex("tool program")); // of the target
    EXPECT_EQ(FindRow(*json, "caption", "notes.txt")->At("sha256").text, Hex("hello"));
    EXPECT_EQ(FindRow(*json, "caption", "big.bin")->At("sha256").text, Hex(seeded.big));
    const JsonValue* empty = FindRow(*json, "caption", "empty.txt");
    EXPECT_EQ(empty->At("sha256").text, Hex(""));
    EXPECT_EQ(empty->At("crc32").Int(), -1);
    EXPECT_EQ(FindRow(*json, "caption", "sub")->At("sha256").text, "");
    EXPECT_EQ(FindRow(*json, "caption", "c:\\config.sys")->At("sha256").text, Hex("FILES=40"));
    const JsonValue* ini = FindRow(*json, "value_name", "load");
    ASSERT_TRUE(ini);
    EXPECT_EQ(ini->At("section").text, "windows");
    EXPECT_EQ(ini->At("kind").text, "ini");
    EXPECT_EQ(ini->At("sha256").text, "");

    // The deactivated entries come last; the kept file's digest is its copy's.
    const JsonValue& keptFile = json->items[listed.size() - 2];
    EXPECT_EQ(keptFile.At("file_name").text, "C:\\gone\\kept.txt");
    EXPECT_EQ(keptFile.At("active").type, JsonValue::False);
    EXPECT_EQ(keptFile.At("sha256").text, Hex("kept bytes"));
    EXPECT_EQ(json->items.back().At("value_name").text, "Old");
    EXPECT_EQ(json->items.back().At("approved").text, "");
}

TEST_F(Qv6Scan, CsvHoldsTheSameRowsAsJson) {
    AutostartMachine machine;
    SeededMachine seeded(machine, app_.Path(), work_.Path());
    ProgramRun csv = Scan({});
    ProgramRun json = Scan({"--format=json"});
    ASSERT_EQ(csv.exitCode, 0u) << csv.err;
    ASSERT_EQ(json.exitCode, 0u) << json.err;
    EXPECT_EQ(csv.err, "");
    std::vector<std::vector<std::string>> rows;
    ASSERT_TRUE(ParseCsv(csv.out, rows)) << csv.out;
    auto parsed = ParseJson(json.out);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(rows.size(), parsed->items.size() + 1);
    std::vector<std::string> header;
    for (std::string_view n : ScanFieldNames())
        header.emplace_back(n);
    EXPECT_EQ(rows[0], header);
    for (size_t i = 0; i < parsed->items.size(); ++i) {
        const JsonValue& o = parsed->items[i];
        ASSERT_EQ(rows[i + 1].size(), header.size());
        for (size_t f = 0; f < header.size(); ++f) {
            const JsonValue& v = o.At(header[f]);
            std::string text = v.type == JsonValue::True    ? "true"
                               : v.type == JsonValue::False ? "false"
                                                            : v.text;
            // CSV alone defuses what a spreadsheet would run as a formula.
            if (v.type == JsonValue::String && !text.empty() &&
                std::string_view("=+-@\t\r").find(text[0]) != std::string::npos)
                text.insert(0, "'");
            EXPECT_EQ(rows[i + 1][f], text) << "row " << i << " field " << header[f];
        }
    }
}

TEST_F(Qv6Scan, UnknownOnlyAndTheExitCodes) {
    AutostartMachine machine;
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "known", "k.exe");
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "new", "n.exe");
    std::vector<AutostartEntry> listed = ListedEntries();
    KnownEntryDB db;
    for (const AutostartEntry& e : listed)
        if (e.ValueName.view() != "new") db.Add(e);
    WriteBytes(app_ / "asedb.dat", EncodeRecords(db.Records()));

    ProgramRun run = Scan({"--unknown", "--format", "json"});
    EXPECT_EQ(run.exitCode, 1u) << run.err;
    auto json = ParseJson(run.out);
    ASSERT_TRUE(json);
    ASSERT_EQ(json->items.size(), 1u);
    EXPECT_EQ(json->items[0].At("value_name").text, "new");
    EXPECT_EQ(json->items[0].At("known").type, JsonValue::False);

    // All known: nothing listed, exit code 0; without --unknown always 0.
    for (const AutostartEntry& e : listed)
        if (e.ValueName.view() == "new") db.Add(e);
    WriteBytes(app_ / "asedb.dat", EncodeRecords(db.Records()));
    run = Scan({"--unknown"});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1); // the header only
    WriteBytes(app_ / "asedb.dat", "");
    EXPECT_EQ(Scan({}).exitCode, 0u);

    // A database elsewhere, named on the command line.
    TempDir other;
    WriteBytes(other / "my.dat", EncodeRecords(db.Records()));
    run = Scan({"--unknown", "--db", other / "my.dat"});
    EXPECT_EQ(run.exitCode, 0u) << run.err;

    run = Scan({"--help"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_NE(run.out.find("--unknown"), std::string::npos);
    EXPECT_NE(run.out.find("Eintr\xC3\xA4ge"), std::string::npos); // UTF-8
}

TEST_F(Qv6Scan, MistakesAndUnreadableFilesEndWithOneLineAndCodeTwo) {
    AutostartMachine machine;
    auto expectError = [&](std::vector<std::string> args, std::string_view says) {
        SCOPED_TRACE(std::string(says));
        ProgramRun run = Scan(args);
        EXPECT_EQ(run.exitCode, 2u);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.err.rfind("qv6scan: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
    };
    expectError({"--bogus"}, "--bogus");
    expectError({"--format", "xml"}, "xml");
    expectError({"--db", work_ / "missing.dat"}, "missing.dat");
    expectError({"--inactive", work_ / "missing.dat"}, "missing.dat");
    // A file another program holds exclusively cannot be read.
    WriteBytes(app_ / "asedb.dat", "");
    UniqueHandle lock(::CreateFileA((app_ / "asedb.dat").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
    expectError({}, "asedb.dat");
    lock.reset();
    // aseinactive.dat is the working directory's: a damaged one there shows.
    WriteBytes(work_ / "aseinactive.dat", std::string(kRecordSize + 5, '\0'));
    ProgramRun run = Scan({"--format", "json"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_NE(run.err.find("aseinactive.dat"), std::string::npos);
    auto json = ParseJson(run.out);
    ASSERT_TRUE(json);
    DropSystemRows(*json);
    ASSERT_EQ(json->items.size(), 1u); // one whole record of zeros
    EXPECT_EQ(json->items[0].At("active").type, JsonValue::False);
}

TEST_F(Qv6Scan, NeverWritesAFile) {
    AutostartMachine machine;
    SeededMachine seeded(machine, app_.Path(), work_.Path());
    WriteBytes(app_ / "asedb.dat", std::string(kRecordSize + 3, '\0'));
    std::map<std::string, std::string> before, after;
    Snapshot(app_.Path(), before);
    Snapshot(work_.Path(), before);
    Snapshot(machine.UserStartup() + "\\", before);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"--format", "json"}, {"--unknown"}, {"--help"}, {"--bogus"}})
        Scan(args);
    Snapshot(app_.Path(), after);
    Snapshot(work_.Path(), after);
    Snapshot(machine.UserStartup() + "\\", after);
    EXPECT_EQ(before, after);
}

TEST_F(Qv6Scan, SinceListsOnlyNewAndChangedEntriesAndSaysSoInItsExitCode) {
    AutostartMachine machine;
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "stays", "s.exe");
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "changes", "c.exe");
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "goes", "g.exe");
    WriteBytes(machine.UserStartup() + "\\notes.txt", "hello");
    machine.SetUserStartup(machine.UserStartup());
    ProgramRun before = Scan({"--format", "json"});
    ASSERT_EQ(before.exitCode, 0u) << before.err;
    WriteBytes(work_ / "before.json", before.out);
    // Nothing has changed: nothing listed, exit code 0, in every format.
    ProgramRun same = Scan({"--since", work_ / "before.json", "--format", "jsonl"});
    EXPECT_EQ(same.exitCode, 0u) << same.err;
    EXPECT_EQ(same.out, "");

    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "changes", "c.exe /evil");
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "added", "a.exe");
    RegKey run;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, (kCV + "Run").c_str(), 0, KEY_WRITE, run.put()),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegDeleteValueA(run.get(), "goes"), ERROR_SUCCESS);
    WriteBytes(machine.UserStartup() + "\\notes.txt", "hello, changed"); // a new SHA-256

    // JSON lines, each line an object on its own; the removed entry does not show.
    ProgramRun since = Scan({"--format=jsonl", "--since", work_ / "before.json"});
    EXPECT_EQ(since.exitCode, 1u) << since.err;
    std::vector<std::string> names;
    for (size_t at = 0, end; (end = since.out.find('\n', at)) != std::string::npos; at = end + 1) {
        auto row = ParseJson(since.out.substr(at, end - at));
        ASSERT_TRUE(row && row->type == JsonValue::Object) << since.out;
        names.push_back(row->At("caption").text);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"added", "changes", "notes.txt"})) << since.out;
    // The same against a listing kept as JSON lines, in osquery's columns.
    WriteBytes(work_ / "before.jsonl", Scan({"--format", "jsonl"}).out);
    since = Scan({"--since", work_ / "before.jsonl", "--columns", "osquery"});
    EXPECT_EQ(since.exitCode, 0u) << since.err;
    EXPECT_EQ(since.out, "name,path,args,type,source,status,username\r\n");

    // A listing it cannot compare with is an error, not "everything is new".
    WriteBytes(work_ / "osquery.json", Scan({"--format", "json", "--columns", "osquery"}).out);
    for (const std::string& bad : {work_ / "osquery.json", work_ / "missing.json"}) {
        ProgramRun refused = Scan({"--since", bad});
        EXPECT_EQ(refused.exitCode, 2u);
        EXPECT_EQ(refused.out, "");
        EXPECT_NE(refused.err.find(ExtractFileName(bad)), std::string::npos) << refused.err;
    }
}

TEST_F(Qv6Scan, GroupNamesComeFromTheLanguageFileBesideIt) {
    AutostartMachine machine;
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "a", "a.exe");
    WriteBytes(app_ / "qv6.lng", "Gruppe \xFC"
                                 "ber alles\r\n");
    ProgramRun run = Scan({"--format", "json"});
    auto json = ParseJson(run.out);
    if (json) DropSystemRows(*json);
    ASSERT_TRUE(json && json->items.size() == 1) << run.out;
    EXPECT_EQ(json->items[0].At("group_name").text, "Gruppe \xC3\xBC"
                                                    "ber alles");
    // Without the file: the built-in names, which are the shipped ones.
    ::DeleteFileA((app_ / "qv6.lng").c_str());
    run = Scan({"--format", "json"});
    json = ParseJson(run.out);
    if (json) DropSystemRows(*json);
    ASSERT_TRUE(json && json->items.size() == 1) << run.out;
    EXPECT_EQ(json->items[0].At("group_name").text, SystemUtf8(language_[LineAt(0)]));
}

// --verify adds who signed each entry's file, judged by a fresh qv6scan
// process that trusts the test root; --hide-windows leaves out what Windows
// itself signed, but not a script host that Windows signed.
TEST_F(Qv6Scan, VerifyNamesTheSignerAndHideWindowsLeavesOutWindowsOwnFiles) {
    ASSERT_TRUE(FileExists(SignatureFixtures() + "windows.exe"))
        << "the fixtures come from tests/signature/make_fixtures.sh (run by CTest)";
    AutostartMachine machine;
    TempDir files;
    auto copy = [&](const char* from, const std::string& to) {
        ::CreateDirectoryA(ExtractFilePath(files / to).c_str(), nullptr);
        EXPECT_TRUE(::CopyFileA((SignatureFixtures() + from).c_str(), (files / to).c_str(), FALSE));
        return files / to;
    };
    struct Case {
        const char* name;
        std::string command;
        const char* signer;
        const char* signature;
        bool hidden;
    };
    const Case cases[] = {
        {"Signed", "\"" + copy("signed.exe", "signed.exe") + "\" /a", "Quorvik Test Publisher",
         "signed", false},
        {"Windows", copy("windows.exe", "windows.exe"), "Microsoft Windows", "signed", true},
        {"Script", copy("windows.exe", "sys\\cmd.exe") + " /c x.bat", "Microsoft Windows", "signed",
         false},
        {"Broken", copy("broken.exe", "broken.exe"), "", "broken", false},
        {"Plain", copy("unsigned.exe", "plain.exe"), "", "unsigned", false},
        {"Missing", files / "missing.exe", "", "uncheckable", false},
    };
    for (const Case& c : cases)
        RegSetString(HKEY_CURRENT_USER, kCV + "Run", c.name, c.command);
    TrustedRoot root;
    ASSERT_TRUE(root.Ok());

    auto rows = [&](std::vector<std::string> args) {
        args.insert(args.end(), {"--format", "json"});
        ProgramRun run = Scan(args);
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        auto json = ParseJson(run.out);
        EXPECT_TRUE(json) << run.out;
        return json ? *json : JsonValue{};
    };
    const JsonValue plain = rows({});
    const JsonValue verified = rows({"--verify"});
    const JsonValue hidden = rows({"--verify", "--hide-windows"});
    const JsonValue hiddenOnly = rows({"--hide-windows"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const JsonValue* p = FindRow(plain, "value_name", c.name);
        const JsonValue* v = FindRow(verified, "value_name", c.name);
        ASSERT_TRUE(p && v);
        EXPECT_FALSE(p->Has("signer") || p->Has("signature"));
        EXPECT_EQ(v->members.size(), ScanFieldNames().size() + 2);
        EXPECT_EQ(v->At("signer").text, c.signer);
        EXPECT_EQ(v->At("signature").text, c.signature);
        EXPECT_EQ(FindRow(hidden, "value_name", c.name) == nullptr, c.hidden);
        const JsonValue* h = FindRow(hiddenOnly, "value_name", c.name);
        EXPECT_EQ(h == nullptr, c.hidden);
        EXPECT_FALSE(h && h->Has("signature"));
    }
    // The CSV header and osquery's columns carry the two fields behind the
    // others.
    ProgramRun csv = Scan({"--verify", "--columns", "osquery"});
    EXPECT_EQ(csv.out.substr(0, csv.out.find("\r\n")),
              "name,path,args,type,source,status,username,signer,signature");
}

} // namespace
} // namespace qv::test
