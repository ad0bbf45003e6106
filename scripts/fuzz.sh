#!/usr/bin/env bash
# Builds the fuzz targets (parsers, report, scan, listing, history) natively with clang's
# libFuzzer and the address and undefined behaviour sanitizers, and runs each
# for a fixed time; any finding (crash, leak, sanitizer report, time-out)
# fails the run and leaves its input as crash-*/leak-*/timeout-* in the
# output folder.
#   scripts/fuzz.sh [seconds per target, default 60] [output folder]
# scripts/test.sh runs it through CTest for 20 s per target; run it by hand
# for longer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
out="${2:-$root/build-fuzz}"
[ -n "${QV6_FUZZ_NO_SETUP:-}" ] || "$root/scripts/setup.sh"
mkdir -p "$out"

# build <target> <sources...>: rebuilt only when a source or header changed.
build() {
  local name="$1"
  shift
  local srcs=() s
  for s in "$@"; do srcs+=("$root/$s"); done
  local stamp
  stamp="$(cat "${srcs[@]}" "$root"/*/*.h | sha256sum | cut -c1-64)"
  if [ -x "$out/$name" ] && [ "$(cat "$out/$name.stamp" 2>/dev/null)" = "$stamp" ]; then
    return
  fi
  clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$root" "${srcs[@]}" -o "$out/$name"
  echo "$stamp" >"$out/$name.stamp"
}
build fuzz_parsers fuzz/parsers.cpp base/Text.cpp base/LanguageFile.cpp \
  autostart/AutostartEntry.cpp autostart/Groups.cpp autostart/InactiveRules.cpp autostart/StickyRules.cpp process/Surveillance.cpp \
  update/HttpProtocol.cpp update/UpdateAnswer.cpp update/FileList.cpp base/Crypto.cpp \
  autostart/TaskXml.cpp autostart/ProgramPath.cpp
build fuzz_report fuzz/report.cpp base/Text.cpp base/FileErrors.cpp autostart/AutostartEntry.cpp \
  autostart/RootKeys.cpp report/ReportWriter.cpp sysinfo/SystemInfo.cpp about/ServerSettings.cpp
build fuzz_scan fuzz/scan.cpp scan/ScanOutput.cpp autostart/Groups.cpp scan/ScanOptions.cpp \
  autostart/CommandLine.cpp signature/EntryFile.cpp signature/Signature.cpp \
  autostart/StartupApproved.cpp autostart/AutostartEntry.cpp autostart/RootKeys.cpp \
  base/Text.cpp base/LanguageFile.cpp
build fuzz_listing fuzz/listing.cpp scan/EarlierListing.cpp scan/ScanOutput.cpp autostart/Groups.cpp \
  autostart/CommandLine.cpp \
  autostart/StartupApproved.cpp autostart/AutostartEntry.cpp autostart/RootKeys.cpp \
  base/Text.cpp base/LanguageFile.cpp
build fuzz_history fuzz/history.cpp history/ChangeHistory.cpp

# Seeds: the language file and a record, a response, a file list, an earlier
# listing. The corpus starts from them on every run, so a run does not depend
# on the one before.
rm -rf "$out/corpus"
mkdir -p "$out/corpus"
cp "$root/app/qv6.lng" "$out/corpus/" 2>/dev/null || true
printf 'HTTP/1.0 302 Found\r\nLocation: /a\r\nX: y\r\n\r\nbody' >"$out/corpus/response"
printf 'QV6FILELIST 2\nversion 6.03\nexpires 2027-06-30T00:00:00Z\n%064d 5 a/b.txt\n' 0 \
  >"$out/corpus/filelist"
printf '<?xml version="1.0"?><Task><Triggers><LogonTrigger/></Triggers><Actions><Exec><Command>a.exe</Command><Arguments>-x &amp;</Arguments></Exec></Actions></Task>' \
  >"$out/corpus/task"
cp "$root/tests/update/keys/test_update_public.pem" "$out/corpus/key" 2>/dev/null || true
printf '[\n{"group":0,"kind":"registry","root_key":"HKEY_CURRENT_USER","section":"","key_path":"R",%s\n]\n' \
  '"file_name":"","value_name":"n","value_data":"\"a\\u00e4\" /b","sha256":"","active":true}' >"$out/corpus/listing"
printf 'QV6HISTORY 1\r\nN 2 0 0 -\r\nC 1 5 0 0 3132 6162 1\r\nT 0 32 52 6E 1 1 0 0 0 0 41 0 0 0 0 0 0 -\r\nEND 1\r\n' \
  >"$out/corpus/history"
status=0
for target in fuzz_parsers fuzz_report fuzz_scan fuzz_listing fuzz_history; do
  echo "fuzz: $target for ${seconds} s"
  # -timeout: one input that runs longer than 10 s counts as a finding.
  "$out/$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$out/$target-" "$out/corpus" ||
    { echo "fuzz: $target FOUND A FAULT (input in $out/$target-*)"; status=1; }
done
exit "$status"
