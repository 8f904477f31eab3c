#!/bin/bash
# A Kamailio on loopback with demo accounts, for trying the softphone by hand
# or from a demo script: the same registrar and proxy the engine tests use.
#
#   kamailio-demo.sh start [--tls] DIR [PORT] [DOMAIN] [USER:PASSWORD ...]
#       writes DIR/kamailio.cfg, starts Kamailio in the background (its log in
#       DIR/kamailio.log), waits until it listens and prints "127.0.0.1:PORT".
#       PORT defaults to the first free one from 5060, DOMAIN to pbx.test, the
#       accounts to 1001:1001demo and 1002:1002demo. With --tls it also
#       listens for SIP over TLS on the first free port from 5061 (and over
#       TCP on the next free one), with a throw-away authority
#       (DIR/pki/ca.pem) and a certificate for "localhost", and prints
#       "localhost:TLSPORT" on a second line.
#   kamailio-demo.sh stop DIR
#       stops the Kamailio started with DIR (and everything it started).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

listening() { ss -Hlun "sport = :$1" 2>/dev/null | grep -q .; }
listeningTcp() { ss -Hltn "sport = :$1" 2>/dev/null | grep -q .; }

start() {
  local tls=""
  if [ "${1:-}" = --tls ]; then tls=yes; shift; fi
  local dir="$1" port="${2:-}" domain="${3:-pbx.test}"
  shift $(( $# < 3 ? $# : 3 ))
  local accounts=("$@")
  [ ${#accounts[@]} -gt 0 ] || accounts=(1001:1001demo 1002:1002demo)
  if [ -z "$port" ]; then
    port=5060
    while listening "$port"; do port=$((port + 1)); done
  elif listening "$port"; then
    echo "port $port is taken" >&2; exit 1
  fi
  mkdir -p "$dir/run"
  dir="$(cd "$dir" && pwd)"
  local lines="" account
  for account in "${accounts[@]}"; do
    case "$account" in
      *:*) ;;
      *) echo "accounts are USER:PASSWORD, not $account" >&2; exit 1 ;;
    esac
    case "$account" in
      *\"*|*\\*|*" "*) echo "account texts may not hold quotes, backslashes or blanks" >&2; exit 1 ;;
    esac
    lines+="$(printf '\t$sht(accounts=>%s) = "%s";' "${account%%:*}" "${account#*:}")"$'\n'
  done
  local template
  template="$(cat "$here/kamailio/kamailio.cfg.in")"
  template="${template//@ACCOUNTS@/${lines%$'\n'}}"
  template="${template//@DOMAIN@/$domain}"
  template="${template//@SIP_PORT@/$port}"
  template="${template//@DEBUG@/2}"
  local tlsPort=0
  if [ -n "$tls" ]; then
    tlsPort=5061
    while listeningTcp "$tlsPort" || [ "$tlsPort" = "$port" ]; do tlsPort=$((tlsPort + 1)); done
    "$here/make-test-pki.sh" "$dir/pki" localhost
    printf '[server:default]\nmethod = TLSv1.2+\nverify_certificate = no\nrequire_certificate = no\nprivate_key = %s\ncertificate = %s\n' \
      "$dir/pki/server.key" "$dir/pki/server.pem" >"$dir/tls.cfg"
    template="${template//@TLS_DEFINE@/#!define WITH_TLS}"
  else
    template="${template//@TLS_DEFINE@/}"
  fi
  template="${template//@TLS_PORT@/$tlsPort}"
  local tcpPort=0
  if [ -n "$tls" ]; then
    tcpPort=$((tlsPort + 1))
    while listeningTcp "$tcpPort"; do tcpPort=$((tcpPort + 1)); done
  fi
  template="${template//@TCP_PORT@/$tcpPort}"
  template="${template//@TLS_CONFIG@/$dir/tls.cfg}"
  printf '%s\n' "$template" >"$dir/kamailio.cfg"
  setsid kamailio -DD -E -f "$dir/kamailio.cfg" -Y "$dir/run" -P "$dir/run/kamailio.pid" -m 32 -M 8 \
    >"$dir/kamailio.log" 2>&1 </dev/null &
  echo $! >"$dir/kamailio-group.pid"
  for _ in $(seq 100); do
    if listening "$port" && { [ -z "$tls" ] || listeningTcp "$tlsPort"; }; then
      echo "127.0.0.1:$port"
      [ -z "$tls" ] || echo "localhost:$tlsPort"
      return 0
    fi
    kill -0 "$(cat "$dir/kamailio-group.pid")" 2>/dev/null || break
    sleep 0.1
  done
  echo "Kamailio did not start; see $dir/kamailio.log" >&2
  stop "$dir"
  exit 1
}

stop() {
  local dir="$1" pid
  [ -f "$dir/kamailio-group.pid" ] || return 0
  pid="$(cat "$dir/kamailio-group.pid")"
  kill -TERM -- "-$pid" 2>/dev/null || true
  for _ in $(seq 30); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL -- "-$pid" 2>/dev/null || true
  rm -f "$dir/kamailio-group.pid"
}

case "${1:-}" in
  start) shift; [ $# -ge 1 ] || { echo "usage: $0 start [--tls] DIR [PORT] [DOMAIN] [USER:PASSWORD ...]" >&2; exit 2; }; start "$@" ;;
  stop) shift; [ $# -ge 1 ] || { echo "usage: $0 stop DIR" >&2; exit 2; }; stop "$1" ;;
  *) echo "usage: $0 start [--tls] DIR [PORT] [DOMAIN] [USER:PASSWORD ...] | stop DIR" >&2; exit 2 ;;
esac
