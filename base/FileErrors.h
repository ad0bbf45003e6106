#pragma once
// The texts of the file, folder and value errors the program raises. They
// are made here only, so that every place says the same words for the same
// step. Pure code.
#include <string>
#include <string_view>

namespace qv {

enum class FileOperation {
    Create,       // "Datei %s kann nicht erstellt werden"
    Read,         // "Datei %s kann nicht gelesen werden"
    Write,        // "Datei %s kann nicht geschrieben werden"
    Open,         // "Datei %s kann nicht geöffnet werden"
    CreateFolder, // "Verzeichnis %s kann nicht erstellt werden"
    WriteInto,    // "In %s kann nicht geschrieben werden"
    WriteValue,   // "Der Wert %s kann nicht geschrieben werden"
};

// The text for the operation on what (a path or a value name), in the
// program's ANSI code page.
std::string FileErrorText(FileOperation operation, std::string_view what);

} // namespace qv
