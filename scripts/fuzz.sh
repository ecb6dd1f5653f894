#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs the JSON
# reader's fuzzer for a bounded time from a few seed replies. A crash, a
# sanitizer finding or a broken round trip exits non-zero and leaves the
# input in build-fuzz/artifacts/.
#
# LINKORA_FUZZ_SECONDS sets the running time (default 60).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh

seconds="${LINKORA_FUZZ_SECONDS:-60}"
build="$root/build-fuzz"

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLINKORA_FUZZ=ON -DLINKORA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_json

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
corpus="$work/corpus"
mkdir -p "$corpus" "$build/artifacts"

# Seeds shaped like the service's replies, plus the reader's odd corners.
printf '%s' '[ { "class" : "com.dravomesh.phone.integration.Contact", "nick" : "ann1", "firstName" : "Ann", "emails" : [ "a@example.org" ], "phones" : [ { "class" : "com.dravomesh.phone.integration.PhoneNumber", "number" : "+4930123", "type" : "CELL" } ], "groupName" : "Work" } ]' >"$corpus/contacts.json"
printf '%s' '{"class":"com.dravomesh.phone.integration.Account","sipDomain":"example.org","sipUser":"u1","phones":[],"errorMessage":null,"fieldErrors":{}}' >"$corpus/account.json"
printf '%s' '[{"amount":12.5,"credit":-0.0001,"count":18446744073709551615,"min":-9223372036854775808,"big":1e308}]' >"$corpus/numbers.json"
printf '%s' '["\u00e9\ud83d\ude00\"\\\/\b\f\n\r\t", "é", "\ud800", "a\qb"]' >"$corpus/strings.json"
printf '%s' '[,1 2,,{"k":1,"k":2,},true false null nullx]' >"$corpus/lenient.json"
printf '%s' '[[[[[[[[[[{"a":[[[[{}]]]]}]]]]]]]]]]' >"$corpus/nested.json"

cat >"$work/json.dict" <<'DICT'
"{"
"}"
"["
"]"
":"
","
"\""
"true"
"false"
"null"
"\\u"
"\\ud83d\\ude00"
"-"
"."
"e"
"E+"
"\\"
DICT

ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "$build/tests/fuzz/fuzz_json" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -dict="$work/json.dict" -artifact_prefix="$build/artifacts/" "$corpus"
