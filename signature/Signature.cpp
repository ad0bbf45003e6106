#include "signature/Signature.h"

namespace qv {

LineText VerdictText(const SignatureVerdict& verdict) {
    switch (verdict.state) {
    case SignatureState::Signed:
        return {Lng::SignatureSigned, {verdict.publisher}};
    case SignatureState::SignedByCatalog:
        return {Lng::SignatureCatalog, {verdict.publisher}};
    case SignatureState::NotSigned:
        return {Lng::SignatureNotSigned, {}};
    case SignatureState::Broken:
        return {Lng::SignatureBroken, {}};
    case SignatureState::NotTrusted:
        return {Lng::SignatureNotTrusted, {}};
    case SignatureState::NotCheckable:
        break;
    }
    return {Lng::SignatureNotCheckable, {}};
}

std::string_view VerdictWord(SignatureState state) {
    switch (state) {
    case SignatureState::Signed:
        return "signed";
    case SignatureState::SignedByCatalog:
        return "catalog";
    case SignatureState::NotSigned:
        return "unsigned";
    case SignatureState::Broken:
        return "broken";
    case SignatureState::NotTrusted:
        return "untrusted";
    case SignatureState::NotCheckable:
        break;
    }
    return "uncheckable";
}

bool IsWindowsPublisher(const SignatureVerdict& verdict) {
    if (verdict.state != SignatureState::Signed && verdict.state != SignatureState::SignedByCatalog)
        return false;
    // Exact names: "Microsoft Corporation" signs Office and other products
    // that are not part of Windows and stay visible.
    return verdict.publisher == "Microsoft Windows" ||
           verdict.publisher == "Microsoft Windows Publisher";
}

std::string CleanPublisher(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (char c : name)
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    size_t last = out.find_last_not_of(' ');
    return out.substr(first, last - first + 1);
}

} // namespace qv
