// A libFuzzer target over the earlier listing qv6scan --since reads: any
// bytes are read or refused with one line, and a listing the writer made
// from a record of the input, as JSON or as JSON lines, holds that row.
// Builds natively; see scripts/fuzz.sh.
#include "autostart/AutostartEntry.h"
#include "autostart/StartupApproved.h"
#include "scan/EarlierListing.h"
#include "scan/ScanOutput.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace qv;

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);

    EarlierListing listing;
    std::string error;
    if (!listing.Read(in, error)) {
        Check(!error.empty() && error.find_first_of("\r\n") == std::string::npos);
        Check(listing.size() == 0);
    }

    // Latin-1 as the page: every byte has a character.
    std::array<char32_t, 256> points{};
    for (size_t b = 0; b < 256; ++b)
        points[b] = static_cast<char32_t>(b);
    const SingleByteUtf8 utf8(points);
    std::string bytes(in.substr(0, kRecordSize));
    bytes.resize(kRecordSize, '\0');
    const AutostartEntry e = DecodeRecords(bytes).front();
    const std::string sha(in.substr(0, 64));
    const ScanRow row = MakeScanRow(e, "G", size % 2 == 0, sha, Approval::None);
    for (OutputFormat format : {OutputFormat::Json, OutputFormat::Jsonl}) {
        std::string out;
        ScanWriter w(format, utf8, out);
        w.Begin();
        w.Row(row);
        w.End();
        EarlierListing written;
        Check(written.Read(out, error));
        Check(written.size() == 1 && written.Holds(row, utf8));
    }
    return 0;
}
