#!/usr/bin/env bash
# Tests the Windows installer in a fresh Wine prefix of its own, as an ordinary
# Windows user would meet it:
#   installer_test.sh INSTALLER VERSION WORKDIR [SIM]
# - /S installs silently into Program Files\EQSet, with the Start-menu entry
#   and the entry in the list of programs (the uninstall key);
# - the installed eqset.exe --version prints "EQSet VERSION";
# - a first start, with the program folder not writable by its user, keeps its
#   settings in that user's %APPDATA%\EQSet: with SIM (eqset-sim for this
#   machine) on COM7, the window is shown under Xvfb and "确认并重启" clicked;
#   a picture of the window is left in WORKDIR;
# - the uninstaller (/S) removes the program and its entries and leaves the
#   technician's settings and "用户数据" alone.
# As root, Wine runs as the user nobody (root may write anywhere, so it would
# never meet a read-only Program Files); otherwise as the caller, with the
# installed folder made read-only. Every Wine process started is ended.
set -euo pipefail
installer=$1 version=$2 work=$3 sim=${4:-}
prefix=$work/prefix
home=$work/home
failures=0

say() { echo "installer_test: $*"; }
check() { # description, command...
  local what=$1
  shift
  if "$@"; then say "ok: $what"; else say "FAILED: $what"; failures=$((failures + 1)); fi
}

rm -rf "$work"
mkdir -p "$prefix" "$home"
cp "$installer" "$work/setup.exe"
as_user=()
user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody:nogroup "$work"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  user=nobody
fi
wine_env=(env HOME="$home" USER="$user" LOGNAME="$user" WINEPREFIX="$prefix" WINEDEBUG=-all
  WINEDLLOVERRIDES="mscoree,mshtml=")
run_wine() { "${as_user[@]}" "${wine_env[@]}" "$@"; }
sim_pid=
xvfb_pid=
finish() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
  run_wine wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null || true
}
trap finish EXIT

run_wine wineboot -i >/dev/null 2>&1
run_wine wineserver -w
started=$(date +%s%N)
run_wine wine "$work/setup.exe" /S >/dev/null 2>&1
# The installer starts itself again and returns at once: wait for the server.
run_wine wineserver -w
say "silent install: $((($(date +%s%N) - started) / 1000000)) ms"

drive=$prefix/drive_c
program="$drive/Program Files/EQSet"
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/EQSet 影院音频处理器调试.lnk"
check "eqset.exe, its Qt and its uninstaller in Program Files\\EQSet" \
  test -f "$program/eqset.exe" -a -f "$program/Qt6Core.dll" -a -f "$program/platforms/qwindows.dll" \
  -a -f "$program/uninstall.exe" -a -f "$program/许可证.txt"
check "the Start-menu entry \"EQSet 影院音频处理器调试\"" test -f "$menu"
# system.reg doubles every backslash of a key's name.
uninstall_key='[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\EQSet]'
listed() { grep -A12 -F "$uninstall_key" "$prefix/system.reg" | grep -q '"UninstallString"'; }
not_listed() { ! grep -qF "$uninstall_key" "$prefix/system.reg"; }
check "the uninstaller in the list of programs" listed

version_out=$(run_wine wine "C:\\Program Files\\EQSet\\eqset.exe" --version 2>/dev/null | tr -d '\r')
say "installed eqset.exe --version: $version_out"
check "the installed --version" test "$version_out" = "EQSet $version"

# The program folder as an ordinary user finds it.
if [ ${#as_user[@]} -gt 0 ]; then
  chown -R root:root "$program"
  chmod -R u=rwX,go=rX "$program"
else
  chmod -R a-w "$program"
fi
appdata="$drive/users/$user/AppData/Roaming/EQSet"
if [ -n "$sim" ]; then
  # COM7 as Wine knows a port: listed by the system, so the port list offers it.
  link=$work/com7
  "${as_user[@]}" "$sim" --link "$link" --trace "$work/sim-trace" </dev/null >"$work/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do grep -qx ready "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
  run_wine wine reg add 'HKLM\Software\Wine\Ports' /v COM7 /d "$(readlink -f "$link")" /f >/dev/null 2>&1
  run_wine wineserver -k || true
  display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  sleep 1
  DISPLAY=$display run_wine wine "C:\\Program Files\\EQSet\\eqset.exe" >/dev/null 2>&1 &
  window=
  for _ in $(seq 60); do
    window=$(DISPLAY=$display xdotool search --name '^EQSet$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 1
  done
  sleep 5
  DISPLAY=$display import -window root "$work/first-start.png"
  if [ -n "$window" ]; then
    # As the technician does on a first start: "取消" on "请检查主串口设置！",
    # Com7 typed into the port list, "确认并重启". The bottom bar's controls sit
    # at fixed places from the window's bottom left.
    question=$(DISPLAY=$display xdotool search --name '^串口设置$' 2>/dev/null | head -n 1) || true
    [ -n "$question" ] && DISPLAY=$display xdotool key --window "$question" Escape
    sleep 1
    eval "$(DISPLAY=$display xdotool getwindowgeometry --shell "$window")"
    bar=$((Y + HEIGHT - 50))
    DISPLAY=$display xdotool mousemove $((X + 140)) $bar click 1
    DISPLAY=$display xdotool type --delay 50 Com7
    DISPLAY=$display xdotool mousemove $((X + 330)) $bar click 1 mousemove $((X + 700)) $((Y + 20))
    sleep 4
    DISPLAY=$display import -window root "$work/after-restart.png"
  fi
  run_wine wineserver -k || true
  check "a first start keeps its settings in %APPDATA%\\EQSet" test -f "$appdata/TarnDB.mdb"
  check "nothing is written into Program Files\\EQSet" test ! -e "$program/TarnDB.mdb"
  # The start after "确认并重启" reads what the processor plays (registers 262..288).
  check "the installed program read the processor on COM7" \
    grep -Eq " in +01 03 01 06 00 1B E4 3C$" "$work/sim-trace"
fi

# The technician's files in the program folder (a portable copy's way), then
# the uninstaller, run with the rights that installed it.
if [ ${#as_user[@]} -gt 0 ]; then chown -R nobody:nogroup "$program"; else chmod -R u+w "$program"; fi
mkdir -p "$program/用户数据"
echo kept >"$program/用户数据/影厅1.eqs"
run_wine wine "C:\\Program Files\\EQSet\\uninstall.exe" /S >/dev/null 2>&1 || true
run_wine wineserver -w
check "uninstalling removes the program" test ! -e "$program/eqset.exe" -a ! -e "$menu"
check "uninstalling removes it from the list of programs" not_listed
check "uninstalling leaves \"用户数据\" in the program folder" test -f "$program/用户数据/影厅1.eqs"
if [ -n "$sim" ]; then
  check "uninstalling leaves the settings in %APPDATA%\\EQSet" test -f "$appdata/TarnDB.mdb"
fi

if [ "$failures" -gt 0 ]; then
  say "$failures checks failed"
  exit 1
fi
say "all checks passed"
