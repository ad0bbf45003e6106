// A libFuzzer target over the history file: any bytes are read or refused,
// a refused file leaves an empty history, and what was read writes back as
// the same bytes. Builds natively; see scripts/fuzz.sh.
#include "history/ChangeHistory.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace qv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    ChangeHistory h;
    if (h.Read(in) != HistoryFault::None) {
        if (!h.records.empty()) std::abort();
        return 0;
    }
    ChangeHistory back;
    if (back.Read(h.Write()) != HistoryFault::None || back.records != h.records) std::abort();
    std::vector<std::string> dropped;
    back.Append(ChangeRecord{}, dropped);
    if (back.records.size() > kHistoryMaxRecords) std::abort();
    return 0;
}
