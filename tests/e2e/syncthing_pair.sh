#!/bin/bash
# Two Syncthing instances on loopback keeping two folders in step, standing in for two
# computers and the sync service between them. Nothing leaves 127.0.0.1.
#   start WORK A B | wait WORK [SECONDS] | apart WORK | meet WORK | stop WORK | conflicts WORK
# WORK/a.pid, b.pid: the engine's pid, then its monitor's (Syncthing 1.19 always runs one).
set -euo pipefail
shopt -u patsub_replacement 2>/dev/null || true  # a literal & in the XML escapes below

ST=/usr/bin/syncthing
FOLDER=pimbrel
declare -A DIR GUI ID LISTEN PEER=([a]=b [b]=a)

die() { echo "syncthing_pair: $*" >&2; exit 1; }

# The REST API of instance $1 (a|b): METHOD PATH [JSON]. curl if there is one, else python.
api() {
  local url="http://127.0.0.1:${GUI[$1]}$3"
  if command -v curl >/dev/null; then
    curl -fsS --noproxy '*' --max-time 15 -X "$2" -H "X-API-Key: $KEY" ${4+-d "$4"} "$url"
  else
    /usr/bin/python3 -c 'import sys, urllib.request as u
m, url, key, body = (sys.argv[1:] + [None])[:4]
r = u.Request(url, body and body.encode(), {"X-API-Key": key}, method=m)
print(u.build_opener(u.ProxyHandler({})).open(r, timeout=15).read().decode())' "$2" "$url" "$KEY" ${4+"$4"}
  fi
}
ask() { api "$@" 2>/dev/null | tr -d ' \t\r\n'; }  # white space out, for plain pattern tests

load() {
  [ -f "$WORK/state" ] || die "no pair in $WORK (start it first)"
  . "$WORK/state"
  GUI=([a]=$GUI_A [b]=$GUI_B) ID=([a]=$ID_A [b]=$ID_B)
}

ours() { [[ $(tr '\0' ' ' 2>/dev/null <"/proc/$1/cmdline") == *" serve --home=$WORK/"* ]]; }
live() {  # LIVE: the pids of pid file $1 still running (a zombie has no command line)
  local p; LIVE=()
  for p in $(cat "$1" 2>/dev/null); do if ours "$p"; then LIVE+=("$p"); fi; done
  ((${#LIVE[@]} > 0))
}

connected() {  # instance $1 has its peer connected
  [[ $(ask "$1" GET /rest/system/connections) =~ \"${ID[${PEER[$1]}]}\":\{[^}]*\"connected\":true ]]
}
both_connected() { connected a && connected b; }
RUNNING="a b"

# Polls "${@:3}" twice a second for up to $1 s, REASON=$2 if in vain; the instances stay up.
until_ok() {
  local end=$((SECONDS + $1)) s
  REASON=$2
  shift 2
  while ((SECONDS < end)); do
    for s in $RUNNING; do
      live "$WORK/$s.pid" || { REASON="instance $s has ended (see $WORK/$s.log)"; return 1; }
    done
    if "$@"; then return 0; fi
    sleep 0.5
  done
  return 1
}

# PORT: one nobody listens on, not taken by us, from 20000 up to the ephemeral ports (which
# a connection may hold without listening) or 40000.
free_port() {
  local top=40000 low
  read -r low _ </proc/sys/net/ipv4/ip_local_port_range 2>/dev/null &&
    ((low > 21000 && low < top)) && top=$low
  for _ in $(seq 200); do
    PORT=$((20000 + RANDOM % (top - 20000)))
    [[ " ${TAKEN:-} " == *" $PORT "* ]] && continue
    (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null && continue
    TAKEN="${TAKEN:-} $PORT"
    return 0
  done
  die "no free port"
}

# config.xml for instance $1, written whole so that no default reaching further stays on.
# A folder written here has no defaults (maxConflicts would be 0: no conflict copies).
write_config() {
  local me=$1 peer=${PEER[$1]} path=${DIR[$1]}
  path=${path//&/&amp;} path=${path//</&lt;} path=${path//>/&gt;} path=${path//\"/&quot;}
  cat >"$WORK/$me/config.xml" <<EOF
<configuration version="36">
    <folder id="$FOLDER" label="$FOLDER" path="$path" type="sendreceive" rescanIntervalS="10"
            fsWatcherEnabled="true" fsWatcherDelayS="1" ignorePerms="true" autoNormalize="true">
        <device id="${ID[$me]}"></device>
        <device id="${ID[$peer]}"></device>
        <minDiskFree unit="%">0</minDiskFree>
        <maxConflicts>10</maxConflicts>
    </folder>
    <device id="${ID[$me]}" name="$me"><address>dynamic</address></device>
    <device id="${ID[$peer]}" name="$peer"><address>tcp://127.0.0.1:${LISTEN[$peer]}</address></device>
    <gui enabled="true" tls="false"><address>127.0.0.1:${GUI[$me]}</address><apikey>$KEY</apikey></gui>
    <options>
        <listenAddress>tcp://127.0.0.1:${LISTEN[$me]}</listenAddress>
        <globalAnnounceEnabled>false</globalAnnounceEnabled>
        <localAnnounceEnabled>false</localAnnounceEnabled>
        <announceLANAddresses>false</announceLANAddresses>
        <relaysEnabled>false</relaysEnabled>
        <natEnabled>false</natEnabled>
        <stunKeepaliveStartS>0</stunKeepaliveStartS>
        <stunServer></stunServer>
        <urAccepted>-1</urAccepted>
        <urSeen>1000</urSeen>
        <crashReportingEnabled>false</crashReportingEnabled>
        <autoUpgradeIntervalH>0</autoUpgradeIntervalH>
        <startBrowser>false</startBrowser>
        <reconnectionIntervalS>5</reconnectionIntervalS>
        <minHomeDiskFree unit="%">0</minHomeDiskFree>
    </options>
</configuration>
EOF
}

add_ignores() {  # the program's lock and temporary files stay on their own computer
  local line l found
  [ -s "$1" ] && [ -n "$(tail -c1 "$1")" ] && echo >>"$1"
  for line in 'pimbrel.lock' '*~pimtmp'; do
    found=0
    [ -f "$1" ] && while IFS= read -r l; do [[ ${l%$'\r'} == "$line" ]] && found=1; done <"$1"
    ((found)) || echo "$line" >>"$1"
  done
}

engine_of() {  # ENGINE: the one child of monitor $1
  ENGINE=$(cat /proc/"$1"/task/*/children 2>/dev/null) && [[ $ENGINE =~ ^[0-9]+\ ?$ ]]
}

start() {
  [ $# -eq 2 ] || die "usage: start WORK A B"
  [[ $1 == /* && $2 == /* ]] || die "folders must be absolute paths"
  DIR=([a]=$1 [b]=$2)
  mkdir -p "$WORK" "$1" "$2" || die "cannot make $WORK, $1 or $2"
  if live "$WORK/a.pid" || live "$WORK/b.pid"; then die "already running in $WORK (stop first)"; fi
  # Homes (keys, index) last over a stop and start of the same folders; other folders start
  # afresh, as an old index would read their difference as deletions.
  if [ "$(cat "$WORK/folders" 2>/dev/null)" != "$1"$'\n'"$2" ]; then
    rm -rf "$WORK/a" "$WORK/b"
    printf '%s\n%s\n' "$1" "$2" >"$WORK/folders"
  fi
  KEY=$(head -c 24 /dev/urandom | od -An -tx1 | tr -d ' \n')
  local s
  for s in a b; do
    [ -f "$WORK/$s/cert.pem" ] || "$ST" generate --home="$WORK/$s" --no-default-folder \
      --skip-port-probing >"$WORK/$s.generate.log" 2>&1 || die "syncthing generate failed for $s"
    ID[$s]=$("$ST" serve --home="$WORK/$s" --device-id 2>/dev/null) || die "no device id for $s"
    mkdir -p "${DIR[$s]}/.stfolder"  # the marker without which Syncthing will not touch it
    add_ignores "${DIR[$s]}/.stignore"
  done
  for _ in 1 2 3; do  # a port taken meanwhile ends an instance: new ports
    launch && return 0
    stop_pair
  done
  die "$REASON"
}

launch() {
  local s
  for s in a b; do
    free_port && GUI[$s]=$PORT
    free_port && LISTEN[$s]=$PORT
  done
  for s in a b; do write_config "$s"; done
  printf 'KEY=%s\nGUI_A=%s\nGUI_B=%s\nID_A=%s\nID_B=%s\n' \
    "$KEY" "${GUI[a]}" "${GUI[b]}" "${ID[a]}" "${ID[b]}" >"$WORK/state"
  for s in a b; do
    # No proxy: Syncthing would dial its peer through one. Not --logfile, which the monitor
    # would write; nothing on our output either, which the caller reads to its end.
    # STHASHING spares the hash benchmark, a second at every start.
    env -u http_proxy -u https_proxy -u HTTP_PROXY -u HTTPS_PROXY -u all_proxy -u ALL_PROXY \
      STNOUPGRADE=1 STNORESTART=1 STHASHING=minio "$ST" serve --home="$WORK/$s" \
      --no-browser --no-restart --no-upgrade </dev/null >>"$WORK/$s.log" 2>&1 &
    echo $! >"$WORK/$s.pid"
    for _ in $(seq 50); do ours $! && break; sleep 0.1; done  # forked, not yet Syncthing
    # b only once a listens, so that b's first dial finds it: both failing, Syncthing
    # tries again only after about 20 s.
    RUNNING=a
    [ $s = b ] || until_ok 30 "a did not answer within 30 s" api a GET /rest/system/ping \
      &>/dev/null || return 1
  done
  RUNNING="a b"
  until_ok 60 "no connection within 60 s" both_connected || return 1
  for s in a b; do
    engine_of "$(cat "$WORK/$s.pid")" || { REASON="no engine process for $s"; return 1; }
    printf '%s\n%s\n' "${ENGINE% }" "$(cat "$WORK/$s.pid")" >"$WORK/$s.pid"
  done
}

in_step_once() {  # instance $1 is idle, needs nothing, and has its peer complete
  local status peer
  status=$(ask "$1" GET "/rest/db/status?folder=$FOLDER") || return 1
  peer=$(ask "$1" GET "/rest/db/completion?folder=$FOLDER&device=${ID[${PEER[$1]}]}") || return 1
  [[ $status == *'"state":"idle"'* && $status =~ \"needTotalItems\":0[,}] &&
    $peer =~ \"completion\":100[,}] ]] && connected "$1"
}
STREAK=0
in_step() {  # twice running, so that a conflict copy made in between is not missed
  if in_step_once a && in_step_once b; then STREAK=$((STREAK + 1)); else STREAK=0; fi
  ((STREAK >= 2))
}

stop_one() {  # TERM (the monitor passes it on), KILL after 5 s
  local file=$WORK/$1.pid signal
  # Stopped before its engine was written down, a killed monitor would leave the engine.
  if live "$file" && engine_of "${LIVE[-1]}" && ours "${ENGINE% }"; then echo "$ENGINE" >>"$file"; fi
  for signal in TERM KILL; do
    live "$file" || break
    kill -"$signal" "${LIVE[@]}" 2>/dev/null || true
    for _ in $(seq 50); do live "$file" || break; sleep 0.1; done
  done
  ! live "$file" || die "instance $1 (pid ${LIVE[*]}) does not end"
  rm -f "$file"
}
stop_pair() { stop_one a; stop_one b; }

# Apart, each side's folder is paused: nothing of it goes either way. Pausing the devices
# instead means reconnecting at meet; both dial from their listening ports, so the two
# connections share one address pair and now and then hang 20 s in their greeting.
pause() { api a PATCH "/rest/config/folders/$FOLDER" "{\"paused\":$1}" >/dev/null &&
  api b PATCH "/rest/config/folders/$FOLDER" "{\"paused\":$1}" >/dev/null; }
stopped() { [[ $(ask "$1" GET "/rest/db/status?folder=$FOLDER") == *'"state":""'* ]]; }
both_apart() { stopped a && stopped b; }
both_met() { ! stopped a && ! stopped b && both_connected; }

[ $# -ge 2 ] || die "usage: $0 start|wait|apart|meet|stop|conflicts WORK ..."
command=$1
WORK=$(realpath -m -- "$2")
case $command in
  start) start "${@:3}" ;;
  wait)
    load
    limit=${3:-60}
    [[ $limit =~ ^[0-9]+$ ]] || die "SECONDS must be a whole number"
    for s in a b; do api $s POST "/rest/db/scan?folder=$FOLDER" >/dev/null 2>&1 || true; done
    until_ok "$limit" "folders not in step after $limit s" in_step || die "$REASON"
    ;;
  apart)
    load
    pause true || die "cannot pause the folders"
    until_ok 10 "folders not paused after 10 s" both_apart || die "$REASON"
    ;;
  meet)
    load
    pause false || die "cannot resume the folders"
    until_ok 30 "folders not running or not connected after 30 s" both_met || die "$REASON"
    ;;
  stop) stop_pair ;;
  conflicts)
    [ -f "$WORK/folders" ] || die "no pair in $WORK"
    mapfile -t dirs <"$WORK/folders"
    shopt -s globstar nullglob dotglob
    found=("${dirs[0]}"/**/*.sync-conflict-* "${dirs[1]}"/**/*.sync-conflict-*)
    echo "${#found[@]}"
    ;;
  *) die "unknown command '$command' (start|wait|apart|meet|stop|conflicts)" ;;
esac
