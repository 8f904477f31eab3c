#!/bin/bash
# The demo helper starts a Kamailio that answers on loopback and stops it completely.
set -euo pipefail
helper="$(cd "$(dirname "$0")/.." && pwd)/kamailio-demo.sh"
dir="$(mktemp -d)"
trap '"$helper" stop "$dir"; rm -rf "$dir"' EXIT

# A port away from 5060, which a demo or another test may hold right now.
port=$((20000 + RANDOM % 10000))
while ss -Hlun "sport = :$port" | grep -q .; do port=$((port + 1)); done
address="$("$helper" start "$dir" "$port" pbx.demo 2001:pw2001)"
[ "$address" = "127.0.0.1:$port" ] || { echo "unexpected address $address"; exit 1; }
grep -q 'sht(accounts=>2001) = "pw2001";' "$dir/kamailio.cfg" || { echo "account missing"; exit 1; }
ss -Hlun "sport = :$port" | grep -q . || { echo "nothing listens on $port"; exit 1; }
group="$(cat "$dir/kamailio-group.pid")"

"$helper" stop "$dir"
if pgrep -g "$group" >/dev/null; then echo "Kamailio still runs"; exit 1; fi
echo "ok: $address"
