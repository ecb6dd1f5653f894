#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each one
# for a bounded time from a few seeds: the JSON reader (service replies), the
# form scraper (the providers' sign-in pages) and the crash report checkpoint
# reader (a file in the user's data folder). A crash, a sanitizer
# finding, a slow input or a broken invariant exits non-zero and leaves the
# input in build-fuzz/artifacts/.
#
# LINKORA_FUZZ_SECONDS sets the running time of each fuzzer (default 60).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh

seconds="${LINKORA_FUZZ_SECONDS:-60}"
build="$root/build-fuzz"

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLINKORA_FUZZ=ON -DLINKORA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_json fuzz_formscraper fuzz_crashcheckpoint

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
corpus="$work/json"
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

run_fuzzer() {
    local name="$1" corpus="$2" dict="$3"
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        "$build/tests/fuzz/$name" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -dict="$dict" -artifact_prefix="$build/artifacts/$name-" "$corpus"
}

run_fuzzer fuzz_json "$corpus" "$work/json.dict"

# Pages shaped like the providers' sign-in, consent and verifier pages.
forms="$work/forms"
mkdir -p "$forms"
printf '%s' '<html><body><form id='"'"'search'"'"' action='"'"'/search'"'"'><input name=q></form><form method="post" action="/login/verify?.src=oauth&amp;.lang=en"><input type="hidden" name=".tries" value="1"><input type='"'"'hidden'"'"' id=challenge value='"'"'a&#x2F;&#61;'"'"'><input type="text" name="login" data-name="x" value=""><input type="password" name="passwd"><input type="checkbox" name=".persistent" checked><input type="checkbox" name=".remember" value="unchecked"><input type="submit" name=".save" value="Sign In"></form><div class="yregertxt">Invalid ID or password.</div></body></html>' >"$forms/signin.html"
printf '%s' '<html><body><p>&quot;Halvetta Linkora&quot; would like to read your contacts.</p><FORM method=post action=/oauth/grant><input type=hidden name=crumb value=cr-42/><input type=submit name=agree value=Agree><input type=submit name=deny value="Not now"></FORM><script>window.location.replace("https://a.test/x?.done=1&.pd=2");</script></body></html>' >"$forms/consent.html"
printf '%s' '<html><body><p>Your code:</p><span id="shortCode" class='"'"'code'"'"'> vf8k2x </span><span>footer</span></body></html>' >"$forms/verifier.html"

cat >"$work/forms.dict" <<'DICT'
"<form"
"</form>"
"<input"
"<span"
"</span>"
"<script"
"</script>"
"name="
"id="
"value="
"action="
"type=password"
"type=checkbox"
"type=submit"
"checked"
"class=yregertxt"
"id=shortCode"
"&amp;"
"&#x"
"&#"
";"
"'"
"\""
">"
"="
DICT

run_fuzzer fuzz_formscraper "$forms" "$work/forms.dict"

# Checkpoint files as the crash report sender writes them, and broken ones.
checkpoints="$work/checkpoints"
mkdir -p "$checkpoints"
printf 'GBP1\n20261207\n3\n' >"$checkpoints/today"
printf 'GBP1\n-1\n0\n' >"$checkpoints/never"
printf 'GBP1\n  +2147483647\n-2147483648' >"$checkpoints/limits"
printf 'GBP1\n99999999999\nx\n' >"$checkpoints/overflow"
printf 'GBP2\n1\n1\n' >"$checkpoints/other"

cat >"$work/checkpoints.dict" <<'DICT'
"GBP1\x0a"
"\x0a"
"-"
"+"
" "
"2147483647"
"2147483648"
DICT

run_fuzzer fuzz_crashcheckpoint "$checkpoints" "$work/checkpoints.dict"
