#!/bin/bash
# The demo helper starts a Kamailio that answers on loopback and stops it completely.
set -euo pipefail
helper="$(cd "$(dirname "$0")/.." && pwd)/kamailio-demo.sh"
dir="$(mktemp -d)"
trap '"$helper" stop "$dir"; rm -rf "$dir"' EXIT

address="$("$helper" start "$dir" "" pbx.demo 2001:pw2001)"
port="${address##*:}"
[[ "$address" == 127.0.0.1:* ]] || { echo "unexpected address $address"; exit 1; }
grep -q 'sht(accounts=>2001) = "pw2001";' "$dir/kamailio.cfg" || { echo "account missing"; exit 1; }
ss -Hlun "sport = :$port" | grep -q . || { echo "nothing listens on $port"; exit 1; }
group="$(cat "$dir/kamailio-group.pid")"

"$helper" stop "$dir"
if pgrep -g "$group" >/dev/null; then echo "Kamailio still runs"; exit 1; fi
echo "ok: $address"
