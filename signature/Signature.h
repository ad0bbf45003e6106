#pragma once
// Who signed a file, as Windows judges it: the verdict of one check, its text
// for the window, its word for the listing, and whether Windows itself
// signed the file. Pure code.
#include "base/Failure.h"
#include "base/LanguageLines.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

enum class SignatureState : uint8_t {
    Signed,          // an embedded signature, intact, chained to a trusted root
    SignedByCatalog, // no embedded signature; a trusted catalog lists the file's hash
    NotSigned,       // neither an embedded signature nor a catalog that lists the file
    Broken,          // a signature whose hash the file no longer matches, or one that
                     // cannot be read
    NotTrusted,      // intact, but chained to an unknown root, expired or refused
    NotCheckable     // the file is missing, a folder, or cannot be opened (locked)
};

struct SignatureVerdict {
    SignatureState state = SignatureState::NotCheckable;
    // The leaf certificate's simple display name, ANSI, without control
    // characters; only for Signed and SignedByCatalog.
    std::string publisher;

    bool operator==(const SignatureVerdict&) const = default;
};

// The line that says the verdict, with the publisher as its "%s" where it
// has one.
LineText VerdictText(const SignatureVerdict& verdict);

// The verdict as one lower-case word for the listing's "signature" field:
// signed, catalog, unsigned, broken, untrusted, uncheckable.
std::string_view VerdictWord(SignatureState state);

// True when Windows itself signed the file, embedded or through a catalog:
// the publisher names Microsoft uses for the files of the system.
bool IsWindowsPublisher(const SignatureVerdict& verdict);

// A certificate's name as it may be shown and written: control characters
// (line breaks, tabs, NUL) become blanks, outer blanks go. A certificate is
// the signer's own text, so a line break in it must not break a list row, a
// CSV line or a log line.
std::string CleanPublisher(std::string_view name);

} // namespace qv
