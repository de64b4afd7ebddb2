#!/usr/bin/env bash
# Checks the Debian package as a terminal would get it: unpacks it into a
# throwaway root (never installing it on this machine), validates the files
# it ships, then starts the unpacked program on its own Xvfb display with a
# throwaway home whose configuration points at the stand-in service, and
# signs in as demo / demo123 the way a user would.
#
#   package_test.sh PACKAGE STANDIN CLIENT
#
# PACKAGE is the .deb, STANDIN the stand-in program, CLIENT the program the
# package was made from (the package must not be older than it).
set -euo pipefail

package=$1 standin=$2 client=$3

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

[ -f "$package" ] || fail "no package at $package: build it with cmake --build $(dirname "$package") --target package"
[ "$package" -nt "$client" ] || fail "$package is older than $client: build it again with cmake --build $(dirname "$package") --target package"

work=$(mktemp -d /tmp/kesta-package-test.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# ---------------------------------------------------------------- contents
root=$work/root
dpkg-deb -x "$package" "$root"
echo "unpacked $(basename "$package")"

program=$root/usr/bin/kesta-client
[ -x "$program" ] || fail "usr/bin/kesta-client is missing or not executable"

depends=$(dpkg-deb -f "$package" Depends)
for needed in glib-networking libgtk-3-0 libsoup2.4-1 libjson-glib-1.0-0 libssl3; do
  [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed: $depends"
done
recommends=$(dpkg-deb -f "$package" Recommends)
[ "$recommends" = "virt-viewer, freerdp2-x11" ] || fail "Recommends is \"$recommends\""

man_page=$root/usr/share/man/man1/kesta-client.1.gz
[ -f "$man_page" ] || fail "the manual page is missing"
man_warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' man --warnings -E UTF-8 -l -Tutf8 -Z "$man_page" 2>&1 >/dev/null)
[ -z "$man_warnings" ] || fail "man reports: $man_warnings"
man_text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$man_page" 2>/dev/null)
for word in .kestaconfig2.json server_address maclogin protocol save_credentials setting username \
  encrypted_password 0600 HOME DISPLAY remote-viewer xfreerdp vmware-view 配置文件加载成功 \
  "请求失败，状态码: %d" "请求虚拟机列表失败，状态码: %d" 令牌已过期或无效，自动注销 WebSocket连接失败 FILES; do
  [[ "$man_text" == *"$word"* ]] || fail "the manual page does not mention $word"
done
echo "manual page: renders without warnings"

# The English catalogue, where gettext looks for it.
english=$(TEXTDOMAINDIR=$root/usr/share/locale LC_ALL=C.UTF-8 LANGUAGE=en gettext -d kesta-client 登录)
[ "$english" = "Sign in" ] || fail "usr/share/locale/en has no English catalogue (登录 reads \"$english\")"
echo "English catalogue: installed"

desktop=$root/usr/share/applications/org.kesta.Client.desktop
autostart=$root/etc/xdg/autostart/org.kesta.Client-kiosk.desktop
for entry in "$desktop" "$autostart"; do
  [ -f "$entry" ] || fail "${entry#"$root"} is missing"
  desktop-file-validate "$entry" || fail "desktop-file-validate rejects ${entry#"$root"}"
  grep -qx 'Exec=kesta-client' "$entry" || fail "${entry#"$root"} does not start kesta-client"
done
grep -qx 'Hidden=true' "$autostart" || fail "the kiosk autostart entry is not switched off"
dpkg-deb -I "$package" conffiles | grep -qx /etc/xdg/autostart/org.kesta.Client-kiosk.desktop ||
  fail "the kiosk autostart entry is not a conffile"
echo "desktop entries: valid"

metainfo=$root/usr/share/metainfo/org.kesta.Client.metainfo.xml
[ -f "$metainfo" ] || fail "the metainfo file is missing"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo file"

icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 64 128; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
  [ -f "$png" ] || fail "no ${size}x${size} icon named $icon"
  # A PNG starts with its 8-byte signature, then the IHDR chunk whose first
  # fields are the width and the height, each 4 bytes big-endian.
  [ "$(od -An -tx1 -N8 "$png" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
  read -r -a dims <<<"$(od -An -tu1 -j16 -N8 "$png")"
  width=$(((dims[0] << 24) | (dims[1] << 16) | (dims[2] << 8) | dims[3]))
  height=$(((dims[4] << 24) | (dims[5] << 16) | (dims[6] << 8) | dims[7]))
  if [ "$width" != "$size" ] || [ "$height" != "$size" ]; then
    fail "$png is ${width}x$height, not ${size}x$size"
  fi
done
echo "icons: $icon at 64x64 and 128x128"

# ---------------------------------------------------------------- running
# Waits up to $1 seconds for a line matching $3 in file $2.
wait_for_line() {
  local tries=$(($1 * 10))
  while [ "$tries" -gt 0 ]; do
    grep -q -- "$3" "$2" 2>/dev/null && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

"$standin" >"$work/standin.log" 2>&1 &
pids+=($!)
wait_for_line 10 "$work/standin.log" '^kesta-standin listening on ' || fail "the stand-in service did not start: $(cat "$work/standin.log")"
url=$(sed -n 's/^kesta-standin listening on //p' "$work/standin.log")

home=$work/home
mkdir -p "$home"
printf '{\n  "server_address" : "%s"\n}\n' "$url" >"$home/.kestaconfig2.json"

# A display of our own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for_line 10 "$work/display" '^[0-9]' || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=:$(head -n 1 "$work/display")
export DISPLAY

env -i HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin LANG=C.UTF-8 "$program" >"$work/client.log" 2>&1 &
client_pid=$!
pids+=("$client_pid")

login=$(timeout 30 xdotool search --sync --onlyvisible --name '^KESTA 客户端$' | head -n 1) ||
  fail "no login window within 30 s; the program printed: $(cat "$work/client.log")"
grep -qx '配置文件加载成功' "$work/client.log" || fail "the configuration was not loaded: $(cat "$work/client.log")"
echo "login window: shown (window $login), configuration loaded"

# Sign in as a user would: type into the focused entries, Tab to "登录".
xdotool windowfocus --sync "$login"
xdotool type --delay 20 demo
xdotool key Tab
xdotool type --delay 20 demo123
xdotool key Tab Tab space
timeout 30 xdotool search --sync --onlyvisible --name '^KESTA客户端$' >/dev/null ||
  fail "no desktop window within 30 s after signing in; the program printed: $(cat "$work/client.log")"
grep -q '/api/custom/login' "$work/standin.log" || fail "the stand-in service saw no login: $(cat "$work/standin.log")"
kill -0 "$client_pid" 2>/dev/null || fail "the program ended on its own: $(cat "$work/client.log")"
echo "signed in as demo: desktop window shown"

echo "package test passed"
