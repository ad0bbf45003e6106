#include "process/SurveillanceFile.h"

#include "base/Errors.h"
#include "base/Files.h"

namespace qv {

std::string SurveillanceFilePath(const std::string& appDir) {
    return appDir + kSurveillanceFileName;
}

void LoadSurveillanceList(SurveillanceList& list, const std::string& appDir) {
    const std::string path = SurveillanceFilePath(appDir);
    list.Clear();
    list.SetLoadFailed(false);
    if (!FileExists(path)) return;
    list.SetLoadFailed(true);
    list.Assign(DecodeSurveillanceFile(ReadFileBytesOrThrow(path)));
    list.SetLoadFailed(false);
}

void SaveSurveillanceList(const SurveillanceList& list, const std::string& appDir) {
    const std::string path = SurveillanceFilePath(appDir);
    if (list.LoadFailed())
        throw AppError("Datei " + path +
                       " konnte nicht gelesen werden und wird nicht \xFC"
                       "berschrieben");
    WriteFileAtomic(path, EncodeSurveillanceFile(list.Entries()));
}

} // namespace qv
