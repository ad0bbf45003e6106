#!/usr/bin/env bash
# Builds the fuzz targets (parsers, report) natively with clang's libFuzzer and the
# address and undefined behaviour sanitizers, and runs each for a while.
#   scripts/fuzz.sh [seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build-fuzz"
mkdir -p "$out/corpus"
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$p"; }
done
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$root" "$root/fuzz/parsers.cpp" "$root/base/Text.cpp" "$root/base/LanguageFile.cpp" \
  "$root/autostart/AutostartEntry.cpp" "$root/autostart/InactiveRules.cpp" \
  "$root/process/Surveillance.cpp" "$root/update/HttpProtocol.cpp" \
  "$root/update/UpdateAnswer.cpp" "$root/update/FileList.cpp" "$root/base/Crypto.cpp" \
  -o "$out/fuzz_parsers"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$root" "$root/fuzz/report.cpp" "$root/base/Text.cpp" "$root/autostart/AutostartEntry.cpp" \
  "$root/autostart/RootKeys.cpp" "$root/report/ReportWriter.cpp" "$root/sysinfo/SystemInfo.cpp" \
  "$root/about/ServerSettings.cpp" -o "$out/fuzz_report"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$root" "$root/fuzz/scan.cpp" "$root/scan/ScanOutput.cpp" "$root/scan/ScanOptions.cpp" \
  "$root/autostart/StartupApproved.cpp" "$root/autostart/AutostartEntry.cpp" \
  "$root/autostart/RootKeys.cpp" "$root/base/Text.cpp" "$root/base/LanguageFile.cpp" \
  -o "$out/fuzz_scan"
# Seeds: the language file and a record, a response, a file list.
cp "$root/app/qv6.lng" "$out/corpus/" 2>/dev/null || true
printf 'HTTP/1.0 302 Found\r\nLocation: /a\r\nX: y\r\n\r\nbody' >"$out/corpus/response"
printf 'QV6FILELIST 1\n%064d 5 a/b.txt\n' 0 >"$out/corpus/filelist"
cp "$root/tests/update/keys/test_update_public.pem" "$out/corpus/key" 2>/dev/null || true
"$out/fuzz_parsers" -max_total_time="${1:-60}" -max_len=8192 "$out/corpus"
"$out/fuzz_report" -max_total_time="${1:-60}" -max_len=8192 "$out/corpus"
"$out/fuzz_scan" -max_total_time="${1:-60}" -max_len=8192 "$out/corpus"
