#!/usr/bin/env bash
# Installs what is missing, builds Linkora and starts it against a local
# stand-in of the account web service that holds one demo account; the talk
# service is simulated by the stand-in talk library. The stand-in stops when
# the program exits. Arguments go to the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

demo_user="demo"
demo_password="demo1234"
# LINKORA_DEMO_CONTACTS=10000 gives the demo account that many more contacts.
demo_contacts="${LINKORA_DEMO_CONTACTS:-0}"

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Qt's code generators miss source files that appear between two builds.
find build -path '*_autogen/timestamp' -delete 2>/dev/null || true
cmake --build build -j "$(nproc)" --target linkora-demo linkora-webservice-standin plixtalk

standin_log="$root/build/demo-webservice.log"
"$root/build/tests/linkora-webservice-standin" --port 0 --user "$demo_user" --password "$demo_password" \
    --contacts "$demo_contacts" >"$standin_log" 2>&1 &
standin_pid=$!
trap 'kill "$standin_pid" 2>/dev/null || true; wait "$standin_pid" 2>/dev/null || true' EXIT

# The stand-in prints its base URL first.
url=""
for _ in $(seq 1 100); do
    url="$(head -n 1 "$standin_log")"
    [ -n "$url" ] && break
    if ! kill -0 "$standin_pid" 2>/dev/null; then
        cat "$standin_log" >&2
        echo "The web-service stand-in did not start." >&2
        exit 1
    fi
    sleep 0.1
done
if [ -z "$url" ]; then
    echo "The web-service stand-in did not answer." >&2
    exit 1
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found: starting on the offscreen platform." >&2
    export QT_QPA_PLATFORM=offscreen
fi

echo "Web service stand-in at $url (requests logged to build/demo-webservice.log)"
echo "Sign in with user name \"$demo_user\" and password \"$demo_password\"."
status=0
LINKORA_DEMO_WEBSERVICE_URL="$url" "$root/build/src/linkora-demo" -noupdate "$@" || status=$?
exit "$status"
