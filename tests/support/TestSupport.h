#pragma once
// Shared helpers of the test programs: a scripted answer for every dialog,
// throwaway folders, and small file and registry writers that go through the
// real Windows API.
#include "ui/Dialogs.h"

#include <windows.h>

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::test {

// Answers dialogs from a queue and records every request. A dialog with no
// answer queued is answered with Cancel (and is still recorded), so a test
// never blocks on a window.
class ScriptedDialogs : public DialogHandler {
  public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    void QueueAnswer(MsgResult r) { answers_.push_back(r); }
    void QueueOpenFiles(std::vector<std::string> files) { openFiles_.push_back(std::move(files)); }
    void QueueSaveFile(std::optional<std::string> file) { saveFiles_.push_back(std::move(file)); }

    const std::vector<MessageRequest>& Messages() const { return messages_; }
    // Every open and save dialog asked for, in order.
    const std::vector<FileDialogRequest>& FileRequests() const { return fileRequests_; }
    std::vector<std::string> Texts() const;
    void Clear() { messages_.clear(); }

    MsgResult Message(const MessageRequest& request) override;
    std::vector<std::string> OpenFiles(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(const FileDialogRequest& request) override;

  private:
    DialogHandler* previous_ = nullptr;
    std::deque<MsgResult> answers_;
    std::deque<std::vector<std::string>> openFiles_;
    std::deque<std::optional<std::string>> saveFiles_;
    std::vector<MessageRequest> messages_;
    std::vector<FileDialogRequest> fileRequests_;
};

// A fresh folder below the temporary folder, removed with everything in it
// when the object goes. Path() ends with a backslash.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

  private:
    std::string path_;
};

// Makes a folder the working directory for as long as the object lives.
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const std::string& path);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;
    bool Changed() const { return changed_; }

  private:
    std::string old_;
    bool changed_ = false;
};

void WriteBytes(const std::string& path, const std::string& bytes);
// ASCII text as UTF-16 bytes, little-endian and with its byte order mark
// unless asked otherwise.
std::string Utf16(std::string_view ascii, bool bom = true, bool bigEndian = false);
// A language file whose line n reads "Zeile n", as long as the program's own.
std::string NumberedLanguageFile();
// The same over a file of any attributes, which it then gets.
void WriteBytes(const std::string& path, const std::string& bytes, DWORD attributes);
std::string ReadBytes(const std::string& path);
// The names of the files (not folders) in a folder whose path ends with a
// backslash, sorted.
std::vector<std::string> FilesIn(const std::string& folder);
// Removes a file or a whole folder, clearing attributes on the way.
void RemoveTree(const std::string& path);

// Registry writers for seeding; paths without a leading backslash. RegSetRaw
// stores type and bytes as given (no NUL added); view is KEY_WOW64_32KEY for
// what a 32-bit program writes.
void RegSetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type,
               const std::string& bytes, REGSAM view = 0);
void RegSetString(HKEY root, const std::string& key, const std::string& name,
                  const std::string& value, DWORD type = REG_SZ);
void RegSetDword(HKEY root, const std::string& key, const std::string& name, DWORD value);
void RegDeleteTree(HKEY root, const std::string& key);
// Whether the value was there and is gone now.
bool RegRemoveValue(HKEY root, const std::string& key, const std::string& name, REGSAM view = 0);
bool RegValueExists(HKEY root, const std::string& key, const std::string& name);
std::string RegGetString(HKEY root, const std::string& key, const std::string& name);
// Type and bytes of a value as stored; nothing when it is absent.
std::optional<std::pair<DWORD, std::string>> RegGetRaw(HKEY root, const std::string& key,
                                                       const std::string& name);
// Denies everyone the given rights on an existing key (through its DACL) for
// as long as the object lives; then everyone may do everything again, so that
// the test can clean the key up.
class KeyDenial {
  public:
    KeyDenial(HKEY root, std::string key, DWORD denied);
    ~KeyDenial();
    KeyDenial(const KeyDenial&) = delete;
    KeyDenial& operator=(const KeyDenial&) = delete;

  private:
    void Set(DWORD denied);
    HKEY root_;
    std::string key_;
};

// Services made through the Service Control Manager for a test and deleted
// with the object, whatever happens.
class SeededServices {
  public:
    SeededServices();
    ~SeededServices();
    SeededServices(const SeededServices&) = delete;
    SeededServices& operator=(const SeededServices&) = delete;
    bool Add(const std::string& name, const std::string& display, DWORD type, DWORD start,
             const std::string& image);

  private:
    SC_HANDLE scm_;
    std::vector<SC_HANDLE> made_;
};

} // namespace qv::test
