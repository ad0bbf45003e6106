#include "scan/ScanOptions.h"

namespace qv {

namespace {

// Splits "--name=value" into its two parts; value is empty without '='.
bool SplitOption(std::string_view arg, std::string_view& name, std::optional<std::string>& value) {
    value.reset();
    size_t eq = arg.find('=');
    name = arg.substr(0, eq);
    if (eq != std::string_view::npos) value = std::string(arg.substr(eq + 1));
    return name.size() > 2 && name.substr(0, 2) == "--";
}

// An argument as the message quotes it: control characters become '?', so
// that the message stays one line.
std::string Quoted(std::string_view arg) {
    std::string q = "\"";
    for (char c : arg)
        q.push_back(static_cast<unsigned char>(c) < 0x20 ? '?' : c);
    q.push_back('"');
    return q;
}

template <class T> struct Word {
    std::string_view word;
    T value;
};
constexpr Word<OutputFormat> kFormats[] = {
    {"csv", OutputFormat::Csv}, {"json", OutputFormat::Json}, {"jsonl", OutputFormat::Jsonl}};
constexpr Word<ColumnSet> kColumnSets[] = {{"qv6", ColumnSet::Qv6},
                                           {"osquery", ColumnSet::Osquery}};

// The value's word from the table; false when it has none of them.
template <class T, size_t N>
bool PickWord(const Word<T> (&words)[N], std::string_view value, T& into, std::string& known) {
    for (const Word<T>& w : words) {
        if (w.word == value) {
            into = w.value;
            return true;
        }
        known += known.empty() ? "" : (&w == &words[N - 1] ? " und " : ", ");
        known += w.word;
    }
    return false;
}

bool IsHelp(std::string_view arg) {
    return arg == "--help" || arg == "-h" || arg == "/?" || arg == "-?";
}

} // namespace

ParsedOptions ParseScanOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    ScanOptions& o = parsed.options;
    for (const std::string& a : args)
        if (IsHelp(a)) {
            o.help = true;
            return parsed;
        }
    auto fail = [&](std::string message) {
        parsed.error = "qv6scan: " + std::move(message) + " (--help zeigt die Optionen)";
        return parsed;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view name;
        std::optional<std::string> value;
        if (!SplitOption(args[i], name, value))
            return fail("unerwartetes Argument " + Quoted(args[i]));
        const bool takesValue = name == "--format" || name == "--columns" || name == "--db" ||
                                name == "--inactive" || name == "--since";
        if (!takesValue) {
            bool* flag = name == "--unknown"        ? &o.unknownOnly
                         : name == "--verify"       ? &o.verify
                         : name == "--hide-windows" ? &o.hideWindows
                                                    : nullptr;
            if (!flag) return fail("unbekannte Option " + Quoted(args[i]));
            if (value) return fail(std::string(name) + " nimmt keinen Wert");
            *flag = true;
            continue;
        }
        if (!value) {
            if (i + 1 >= args.size()) return fail(std::string(name) + " braucht einen Wert");
            value = args[++i];
        }
        if (value->empty()) return fail(std::string(name) + " braucht einen Wert");
        std::string known;
        if (name == "--format") {
            if (!PickWord(kFormats, *value, o.format, known))
                return fail("--format kennt nur " + known + ", nicht " + Quoted(*value));
        } else if (name == "--columns") {
            if (!PickWord(kColumnSets, *value, o.columns, known))
                return fail("--columns kennt nur " + known + ", nicht " + Quoted(*value));
        } else if (name == "--db") {
            o.database = *value;
        } else if (name == "--since") {
            o.since = *value;
        } else {
            o.inactive = *value;
        }
    }
    return parsed;
}

std::string ScanHelpText() {
    // ANSI, like every text of the program; the output turns it into UTF-8.
    const std::string_view text =
        "qv6scan - listet die Autostart-Eintr\xE4ge dieses Rechners so auf, wie Quorvik 6 "
        "sie findet.\n"
        "\n"
        "Aufruf: qv6scan [--format csv|json|jsonl] [--columns qv6|osquery] [--unknown]\n"
        "                [--verify] [--hide-windows] [--since DATEI] [--db DATEI]\n"
        "                [--inactive DATEI]\n"
        "        qv6scan --help\n"
        "\n"
        "  --format csv      CSV nach RFC 4180 mit Kopfzeile, Zeilenende CR LF (Vorgabe)\n"
        "  --format json     ein JSON-Array mit einem Objekt je Eintrag\n"
        "  --format jsonl    ein JSON-Objekt je Zeile (JSON Lines), Zeilenende LF\n"
        "  --columns qv6     die Felder unten (Vorgabe)\n"
        "  --columns osquery die Spalten von osquerys startup_items: name, path, args,\n"
        "                    type, source, status, username\n"
        "  --unknown         nur die Eintr\xE4ge, die die Datenbank nicht kennt\n"
        "  --verify          pr\xFC"
        "ft, wer die Datei jedes Eintrags signiert hat (Felder\n"
        "                    signer und signature, auch hinter den osquery-Spalten);\n"
        "                    dauert, weil Windows f\xFCr unsignierte Dateien seine\n"
        "                    Kataloge durchsucht\n"
        "  --hide-windows    l\xE4sst die Eintr\xE4ge weg, deren Datei Windows selbst\n"
        "                    signiert hat (Herausgeber Microsoft Windows, eingebettet\n"
        "                    oder \xFC"
        "ber Katalog); Eintr\xE4ge, die ein Skript starten, bleiben\n"
        "  --since DATEI     nur die Eintr\xE4ge, die neu oder ge\xE4ndert sind seit DATEI\n"
        "                    (eine fr\xFChere Ausgabe mit --format json oder jsonl);\n"
        "                    verglichen werden group, kind, root_key, section, key_path,\n"
        "                    file_name, value_name, value_data, sha256 und active.\n"
        "                    Entfernte Eintr\xE4ge erscheinen nicht.\n"
        "  --db DATEI        die Datenbank der bekannten Eintr\xE4ge\n"
        "                    (Vorgabe: asedb.dat neben qv6scan.exe)\n"
        "  --inactive DATEI  die deaktivierten Eintr\xE4ge (Vorgabe: aseinactive.dat im\n"
        "                    aktuellen Arbeitsverzeichnis, wo auch qv6.exe sie liest)\n"
        "  --help            dieser Text\n"
        "\n"
        "Gelistet werden alle Eintr\xE4ge, die qv6.exe zeigt: erst die gefundenen, dann die\n"
        "deaktivierten. Felder (Kopfzeile bzw. Schl\xFCssel):\n"
        "  group, group_name  Gruppe 0 bis 17 und ihr Name (aus qv6.lng neben qv6scan.exe,\n"
        "                     sonst die eingebauten deutschen Namen)\n"
        "  category           die Gruppe in englischen Worten, z. B. image hijacks\n"
        "  kind               registry, ini oder file\n"
        "  caption, detail    die beiden Spalten der Liste\n"
        "  file_name          Datei (ini- und Datei-Eintr\xE4ge)\n"
        "  root_key           Hauptschl\xFCssel (Registry-Eintr\xE4ge), z. B. HKEY_CURRENT_USER\n"
        "  section            Abschnitt der ini-Datei (ini-Eintr\xE4ge)\n"
        "  key_path, value_name, value_data  Schl\xFCssel, Name und Wert\n"
        "  active             false f\xFCr deaktivierte Eintr\xE4ge\n"
        "  known              true, wenn die Datenbank den Eintrag kennt\n"
        "  crc32              die Pr\xFC"
        "fsumme wie im Datensatz (-1: keine)\n"
        "  sha256             SHA-256 der Datei des Eintrags (bei Verkn\xFCpfungen des Ziels,\n"
        "                     bei deaktivierten Dateien der aufbewahrten Kopie); leer, wo es\n"
        "                     keine lesbare Datei gibt\n"
        "  approved           der Schalter des Task-Managers (Windows 8 und neuer): enabled,\n"
        "                     disabled oder leer, wo Windows keinen Wert hat\n"
        "  signer             nur mit --verify: der Herausgeber laut Zertifikat, wo die\n"
        "                     Signatur g\xFCltig ist, sonst leer\n"
        "  signature          nur mit --verify: signed (eingebettet), catalog (\xFC"
        "ber\n"
        "                     einen Katalog), unsigned, broken (Datei ver\xE4ndert), untrusted\n"
        "                     (Stamm unbekannt oder abgelaufen) oder uncheckable (Datei\n"
        "                     fehlt oder ist gesperrt)\n"
        "\n"
        "Die Ausgabe ist UTF-8 ohne BOM. qv6scan liest nur: es \xE4ndert nichts und schreibt\n"
        "keine Datei.\n"
        "\n"
        "Exit-Code: 0 = Liste ausgegeben, 1 = mit --unknown unbekannte oder mit --since\n"
        "           neue oder ge\xE4nderte Eintr\xE4ge gefunden, 2 = Fehler (eine Zeile auf\n"
        "           stderr).\n";
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf.push_back('\r');
        crlf.push_back(c);
    }
    return crlf;
}

int ListingExitCode(const ScanOptions& options, size_t printed) {
    const bool filtered = options.unknownOnly || options.since.has_value();
    return filtered && printed > 0 ? kExitUnknownFound : kExitListed;
}

} // namespace qv
