#include "base/FileErrors.h"

namespace qv {

std::string FileErrorText(FileOperation operation, std::string_view what) {
    const char* before = "Datei ";
    const char* after = "";
    switch (operation) {
    case FileOperation::Create:
        after = " kann nicht erstellt werden";
        break;
    case FileOperation::Read:
        after = " kann nicht gelesen werden";
        break;
    case FileOperation::Write:
        after = " kann nicht geschrieben werden";
        break;
    case FileOperation::Open:
        after = " kann nicht ge\xF6"
                "ffnet werden";
        break;
    case FileOperation::CreateFolder:
        before = "Verzeichnis ";
        after = " kann nicht erstellt werden";
        break;
    case FileOperation::WriteInto:
        before = "In ";
        after = " kann nicht geschrieben werden";
        break;
    case FileOperation::WriteValue:
        before = "Der Wert ";
        after = " kann nicht geschrieben werden";
        break;
    }
    std::string text = before;
    text += what;
    text += after;
    return text;
}

} // namespace qv
