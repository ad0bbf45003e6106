#include "scan/ScanJob.h"

#include "base/FileErrors.h"
#include "autostart/AutostartEntry.h"
#include "autostart/Inactive.h"
#include "autostart/InactiveRules.h"
#include "autostart/ScanPlatform.h"
#include "autostart/Scanner.h"
#include "autostart/StartupApproved.h"
#include "base/Crypto.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/LanguageFile.h"
#include "model/AppModel.h"
#include "base/Text.h"
#include "database/FileDigest.h"
#include "database/KnownEntries.h"
#include "scan/EarlierListing.h"
#include "signature/EntryFile.h"
#include "signature/SignatureVerifier.h"

#include <windows.h>

#include <optional>
#include <unordered_map>
#include <vector>

namespace qv {

namespace {

// The real system, with every checksum taken together with the file's
// SHA-256 from one read; the digests stay for the rows.
class DigestingPlatform final : public ForwardingScanPlatform {
  public:
    int32_t FileChecksum(const std::string& path) override { return Digests(path).crc32; }

    // The digests of the file, read once per listing.
    const FileDigests& Digests(const std::string& path) {
        auto [it, fresh] = digests_.try_emplace(path);
        if (fresh) it->second = ReadFileDigests(path);
        return it->second;
    }

  private:
    std::unordered_map<std::string, FileDigests> digests_;
};

std::string HexOf(const std::optional<Sha256Digest>& digest) {
    return digest ? ToHex(*digest) : std::string();
}

// A record file: a missing default file is an empty one; a file the user
// named must be there. Whole records only, read straight into place (a
// database may hold thousands); a fragment at the end is left unread, and
// said so. The file is opened sharing everything, deletion included, so
// that Windows lets qv6.exe replace it meanwhile; the read takes a few
// milliseconds either way.
std::vector<AutostartEntry> ReadRecordFile(const std::string& path, bool named,
                                           const ScanJobIo& io) {
    if (!FileExists(path)) {
        if (named) throw AppError("qv6scan: Datei " + path + " nicht gefunden");
        return {};
    }
    const std::string unreadable = "qv6scan: " + FileErrorText(FileOperation::Read, path);
    UniqueHandle f(::CreateFileA(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!f || !::GetFileSizeEx(f.get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > (uint64_t(1) << 31))
        throw AppError(unreadable);
    const auto bytes = static_cast<size_t>(size.QuadPart);
    std::vector<AutostartEntry> records(bytes / kRecordSize);
    auto* into = reinterpret_cast<char*>(records.data());
    size_t done = 0;
    while (done < records.size() * kRecordSize) {
        DWORD got = 0;
        const size_t want = records.size() * kRecordSize - done;
        if (!::ReadFile(f.get(), into + done, static_cast<DWORD>(want), &got, nullptr))
            throw AppError(unreadable);
        if (got == 0) break; // shrank meanwhile: what was read whole counts
        done += got;
    }
    records.resize(done / kRecordSize);
    if (size_t rest = bytes % kRecordSize; rest != 0 && io.warn)
        io.warn("qv6scan: Warnung: Datei " + path + " endet mit " + std::to_string(rest) +
                " Bytes, die kein ganzer Eintrag sind; sie wurden nicht gelesen");
    return records;
}

// The kept copy of a deactivated file, as the reactivation would find it:
// the first line of isf.dat that names the path. Empty when there is none.
class KeptFiles {
  public:
    explicit KeptFiles(const std::string& programDir) : dir_(programDir) {}
    std::string CopyOf(const std::string& path) {
        if (!loaded_) {
            loaded_ = true;
            if (auto bytes = ReadFileBytes(dir_ + "isf.dat")) lines_ = SplitLines(*bytes);
        }
        auto found = FindIsfLine(lines_, path);
        if (!found) return {};
        return dir_ + "inactive\\" + ParseIsfLine(lines_[*found]).stored + ".bak";
    }

  private:
    std::string dir_;
    bool loaded_ = false;
    std::vector<std::string> lines_;
};

// The earlier listing --since names; a file that is missing or is no
// listing stops the run before anything is printed.
EarlierListing ReadEarlierListing(const std::string& path) {
    if (!FileExists(path)) throw AppError("qv6scan: Datei " + path + " nicht gefunden");
    auto bytes = ReadFileBytes(path);
    if (!bytes) throw AppError("qv6scan: " + FileErrorText(FileOperation::Read, path));
    EarlierListing listing;
    std::string error;
    if (!listing.Read(*bytes, error)) throw AppError("qv6scan: " + path + ": " + error);
    return listing;
}

// Whose HKEY_CURRENT_USER and profile folder these are, for osquery's
// username column.
struct UserTexts {
    std::string name, profile;
};
UserTexts CurrentUserTexts() {
    UserTexts u;
    char buf[MAX_PATH + 1];
    DWORD n = sizeof buf;
    if (::GetUserNameA(buf, &n) && n > 0) u.name.assign(buf, n - 1);
    DWORD len = ::GetEnvironmentVariableA("USERPROFILE", buf, sizeof buf);
    if (len > 0 && len < sizeof buf) {
        u.profile.assign(buf, len);
        while (u.profile.size() > 3 && u.profile.back() == '\\')
            u.profile.pop_back();
    }
    return u;
}

bool IsLinkFile(std::string_view path) {
    return UpperAscii(ExtractFileExt(path)) == ".LNK";
}

} // namespace

int RunScanJob(const ScanOptions& options, const std::string& programDir, const Utf8Converter& utf8,
               const ScanJobIo& io) {
    // A model of its own: the listing shares nothing with a window program.
    AppModel model;
    model.AppDir = programDir;
    // The group names and the explorer caption as qv6.exe has them.
    LanguageFile& language = model.LanguageTable;
    auto lngBytes = ReadFileBytes(programDir + "qv6.lng");
    if (lngBytes) language.LoadFromBytes(*lngBytes);
    const ScanTexts texts = ScanTextsFrom(lngBytes ? &language : nullptr);

    // Both files first: a listing that cannot say which entries are known
    // must not start.
    KnownEntryDB& known = model.ASEntryDB;
    known.Assign(ReadRecordFile(options.database.value_or(programDir + kKnownEntriesFile),
                                options.database.has_value(), io));
    std::vector<AutostartEntry> inactive = ReadRecordFile(
        options.inactive.value_or(kInactiveEntriesFile), options.inactive.has_value(), io);
    const std::optional<EarlierListing> earlier =
        options.since ? std::optional(ReadEarlierListing(*options.since)) : std::nullopt;

    auto stage = [&](std::string_view name) {
        if (io.stageDone) io.stageDone(name);
    };
    stage("files");

    DigestingPlatform platform;
    std::vector<EntryOrigin> origins;
    ScanAutostartsWith(model, platform, texts.explorerCaption, &origins, texts.defaultMark);
    // The scan's list is read where it is, as qv6.exe keeps it.
    const std::vector<AutostartEntry>& entries = model.ASEntries;

    std::vector<ApprovalRef> refs;
    refs.reserve(origins.size());
    for (const EntryOrigin& o : origins)
        refs.push_back(o.approval);
    std::vector<Approval> approvals;
    {
        std::unique_ptr<RegistryReader> reg = platform.CreateRegistryReader();
        approvals = ResolveApprovals(*reg, refs);
    }
    stage("scan");

    std::string out;
    out.reserve(1u << 17);
    const UserTexts user = CurrentUserTexts();
    ScanWriter writer(options.format, utf8, out, options.columns, {user.name, user.profile},
                      options.verify);
    auto flush = [&](size_t atLeast) {
        if (out.size() < atLeast) return;
        if (!io.write(out)) throw AppError("qv6scan: Die Ausgabe kann nicht geschrieben werden");
        out.clear();
    };
    // Verified only when asked, and only for the rows the cheaper filters
    // leave: a catalog lookup reads the whole file.
    std::optional<SignatureVerifier> verifier;
    if (options.verify || options.hideWindows) verifier.emplace();
    size_t printed = 0;
    auto print = [&](const AutostartEntry& e, const std::string& sha, Approval approval,
                     const EntryFile& file) {
        const bool isKnown = known.Find(e, false) >= 0;
        if (options.unknownOnly && isKnown) return;
        ScanRow row = MakeScanRow(e, texts.GroupName(e.Group), isKnown, sha, approval);
        if (earlier && earlier->Holds(row, utf8)) return;
        SignatureVerdict verdict;
        if (verifier) {
            verdict = verifier->Verify(file.path);
            if (options.hideWindows && IsWindowsEntry(file, verdict)) return;
            row.signer = verdict.publisher;
            row.signature = VerdictWord(verdict.state);
        }
        writer.Row(row);
        ++printed;
        flush(1u << 16);
    };

    writer.Begin();
    for (size_t i = 0; i < entries.size(); ++i) {
        const AutostartEntry& e = entries[i];
        std::string sha;
        // The file that runs: a startup folder's file or a link's target,
        // and for the newer groups the program a registry value starts.
        if (!origins[i].checkedFile.empty())
            sha = HexOf(platform.Digests(origins[i].checkedFile).sha256);
        print(e, sha, approvals[i], EntryFileOf(e));
    }
    // A deactivated file is no longer at its place: its content is the kept
    // copy, and a link's the target it named. Windows' switch means nothing
    // for an entry that is not at its source.
    KeptFiles kept(programDir);
    for (AutostartEntry& e : inactive) {
        e.Active = 0;
        std::string sha;
        EntryFile signedFile = EntryFileOf(e);
        if (e.Kind == KindFile) {
            const std::string file =
                IsLinkFile(e.FileName.view()) ? e.Detail.str() : kept.CopyOf(e.FileName.str());
            if (!file.empty()) sha = HexOf(platform.Digests(file).sha256);
            signedFile.path = file;
        }
        print(e, sha, Approval::None, signedFile);
    }
    writer.End();
    flush(1);
    stage("rows");
    return ListingExitCode(options, printed);
}

} // namespace qv
