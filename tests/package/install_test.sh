#!/usr/bin/env bash
# Builds the Debian package and installs it with apt on a clean Debian 12 root made with
# debootstrap (on this machine instead, with a warning, when no root can be made): the three
# --version, man plnctl, PLNTOOL under xvfb-run as a user after --no-install-recommends with
# its Japanese captions drawn, the users' own folders (root's too), nothing written under /usr
# and nothing left after apt-get purge. Needs root; not part of ./scripts/test because it
# downloads Debian and changes the system.
#   tests/package/install_test.sh [--host] [--keep] [--deb FILE]
#     --host      skip debootstrap and install on this machine
#     --keep      leave the Debian root in place for a look (its path is printed)
#     --deb FILE  test this package (made by scripts/package) instead of building one
# PLNTOOL_DEBIAN_MIRROR overrides the mirror taken from /etc/apt. The first start's
# screenshot is build/package/first-start.png, the font-less one first-start-no-cjk.png.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${PLNTOOL_BUILD_DIR:-$root/build}"
out="$build/package"
fail() { echo "install test: FAILED: $*" >&2; exit 1; }
note() { echo "install test: $*"; }
[ "$(id -u)" -eq 0 ] || fail "run it as root (it makes a Debian root and installs packages)"

use_host=0 keep=0 deb=""
while [ $# -gt 0 ]; do
  case "$1" in
    --host) use_host=1 ;;
    --keep) keep=1 ;;
    --deb) [ $# -ge 2 ] || fail "--deb needs a file"; deb="$(realpath "$2")"; shift ;;
    *) fail "unknown option $1" ;;
  esac
  shift
done

if [ -z "$deb" ]; then
  "$root/scripts/package" | tee "$out/package.txt"
  deb="$(ls -t "$out"/plntool_*.deb | head -1)"
fi
[ -f "$deb" ] || fail "no package $deb"
"$root/scripts/deps" --package
lintian "$deb" >"$out/lintian-deb.txt" 2>&1 || true
lint_errors="$(grep -c '^E: ' "$out/lintian-deb.txt" || true)"
lint_warnings="$(grep -c '^W: ' "$out/lintian-deb.txt" || true)"
lintian_summary="lintian: $lint_errors errors, $lint_warnings warnings"
[ "$lint_errors" -eq 0 ] || fail "lintian reports errors: $(grep '^E: ' "$out/lintian-deb.txt")"

# The Debian root. Downloads are kept in build/package so a second run is quicker.
mirror="${PLNTOOL_DEBIAN_MIRROR:-}"
if [ -z "$mirror" ]; then
  mirror="$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null \
            | grep -oE 'https?://[^ ]*/debian/?( |$)' | grep -v security | head -1 | tr -d ' ')" || true
  mirror="${mirror:-http://deb.debian.org/debian}"
fi
R=""
mounts=()
cleanup() {
  local m
  for ((m = ${#mounts[@]} - 1; m >= 0; m--)); do umount -l "${mounts[$m]}" 2>/dev/null || true; done
  if [ -n "$R" ] && [ "$keep" -eq 0 ]; then rm -rf --one-file-system "$R"; fi
  if [ -n "$R" ] && [ "$keep" -eq 1 ]; then echo "install test: the Debian root is kept in $R"; fi
  if [ -z "$R" ]; then
    dpkg-query -W -f='${Status}' plntool 2>/dev/null | grep -q 'ok installed' && apt-get purge -y -qq plntool >/dev/null 2>&1
    userdel -r plntester >/dev/null 2>&1 || true
  fi
  return 0
}
trap cleanup EXIT
if [ "$use_host" -eq 0 ] && command -v debootstrap >/dev/null; then
  R="$(mktemp -d /var/tmp/plntool-root.XXXXXX)"
  chmod 755 "$R" # its users are not root
  mkdir -p "$out/debootstrap-cache" "$out/apt-cache/partial"
  note "making a Debian 12 root from $mirror in $R"
  if debootstrap --variant=minbase --cache-dir="$out/debootstrap-cache" bookworm "$R" "$mirror" \
       >"$out/debootstrap.log" 2>&1; then
    # debootstrap made the device nodes; Qt finds its program folder through /proc.
    mount -t proc proc "$R/proc"
    mounts+=("$R/proc")
    mount --bind "$out/apt-cache" "$R/var/cache/apt/archives"
    mounts+=("$R/var/cache/apt/archives")
    cp /etc/resolv.conf "$R/etc/resolv.conf"
  else
    echo "install test: WARNING: debootstrap failed (see $out/debootstrap.log); testing on this machine" >&2
    rm -rf --one-file-system "$R"
    R=""
  fi
else
  echo "install test: WARNING: no Debian root (--host or no debootstrap); testing on this machine" >&2
fi
if [ -z "$R" ] && dpkg-query -W -f='${Status}' plntool 2>/dev/null | grep -q 'ok installed'; then
  fail "plntool is already installed here; remove it first"
fi

# Runs a command in the root (or here) with a clean environment.
inroot() {
  if [ -n "$R" ]; then
    chroot "$R" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
      DEBIAN_FRONTEND=noninteractive "$@"
  else
    env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"
  fi
}
at() { echo "$R$1"; } # a path of the root as seen from here

cp "$deb" "$(at /tmp)/"
debname="/tmp/$(basename "$deb")"
inroot apt-get update -qq >/dev/null
with_recommends="$(inroot apt-get install -s "$debname" 2>/dev/null | grep -c '^Inst ' || true)"
without_recommends="$(inroot apt-get install -s --no-install-recommends "$debname" 2>/dev/null | grep -c '^Inst ' || true)"

# The tools of the test first, so that the count above and the install below are the package's.
inroot apt-get install -y -qq --no-install-recommends xvfb xauth man-db >/dev/null
inroot apt-get install -y -qq --no-install-recommends "$debname" >"$out/apt-install.log" 2>&1 \
  || { cat "$out/apt-install.log" >&2; fail "apt-get install failed"; }
inroot dpkg -L plntool >"$out/files.txt"
touch "$(at /tmp/installed.stamp)"
sleep 1

# dpkg owns what is on the PATH; the programs answer without a display.
for p in PLNTOOL plnctl plnsim; do
  owner="$(inroot dpkg -S "/usr/bin/$p" 2>/dev/null | cut -d: -f1)"
  [ "$owner" = plntool ] || fail "/usr/bin/$p is owned by '${owner:-no package}'"
  v="$(inroot "/usr/bin/$p" --version)" || fail "$p --version failed"
  case "$v" in *1.0.0) ;; *) fail "$p --version printed '$v'" ;; esac
done
page="$(inroot man -P cat plnctl 2>/dev/null || true)"
case "$page" in *"plnctl --host"*) ;; *) fail "man plnctl shows nothing" ;; esac
page="$(inroot man -P cat PLNTOOL 2>/dev/null || true)"
case "$page" in *"PER-USER FOLDER"*) ;; *) fail "man PLNTOOL lacks the per-user folder" ;; esac
for m in PLNTOOL plnctl plnsim; do
  [ -f "$(at /usr/share/man/man1/$m.1.gz)" ] || fail "$m.1 is not installed compressed"
done
if [ -e "$(at /opt/plntool)" ]; then fail "the package put files in /opt"; fi

# A user's first start in a Japanese locale, under Xvfb: a screenshot with the fonts of the
# package's dependencies and one where fontconfig knows only the Latin fonts. Japanese captions
# drawn as boxes look the same in both.
inroot useradd -m -s /bin/sh plntester
uhome=/home/plntester
shot() { # shot USER NAME [ENV...]: starts PLNTOOL, waits for its window, saves NAME.png
  local user="$1" name="$2"; shift 2
  local fb="/tmp/fb-$name"
  rm -rf "$(at "$fb")"; mkdir -p "$(at "$fb")"; chmod 777 "$(at "$fb")"
  local userhome=/root
  [ "$user" = root ] || userhome="$uhome"
  # The program's own process id, so only it is asked to close.
  inroot runuser -u "$user" -- env HOME="$userhome" LANG=ja_JP.UTF-8 "$@" \
    xvfb-run -a -s "-screen 0 1366x768x24 -fbdir $fb" \
    sh -c "echo \$\$ >$fb/pid; exec /usr/bin/PLNTOOL" >"$out/$name.log" 2>&1 &
  local runner=$! colours=0 i
  for i in $(seq 1 90); do
    sleep 1
    if [ -f "$(at "$fb")/Xvfb_screen0" ]; then
      colours="$(convert "xwd:$(at "$fb")/Xvfb_screen0" -format '%k' info: 2>/dev/null || echo 0)"
      [ "$colours" -gt 8 ] && break
    fi
  done
  sleep 3 # the captions are drawn after the window is mapped
  convert "xwd:$(at "$fb")/Xvfb_screen0" "png:$out/$name.png" || fail "no screenshot of $name"
  [ -s "$(at "$fb")/pid" ] && kill -TERM "$(cat "$(at "$fb")/pid")" 2>/dev/null || true
  wait "$runner" || true
  [ "$colours" -gt 8 ] || fail "no window appeared for $name (see $out/$name.log)"
}
shot plntester first-start
[ -d "$(at "$uhome/.local/share/plntool/TMP")" ] || fail "no working folders in the user's own folder"
grep -q '^Language=Japanese' "$(at "$uhome/.local/share/plntool/Setting.ini")" \
  || fail "the first start in a Japanese locale did not write Language=Japanese"
grep -q '^Port=1' "$(at "$uhome/.local/share/plntool/Setting.ini")" || fail "the defaults were not written"
latin="$(at /tmp/latin-fonts.conf)"
latin_dir=/usr/share/fonts/truetype/dejavu
[ -d "$(at $latin_dir)" ] || latin_dir=/nonexistent
printf '<?xml version="1.0"?>\n<fontconfig><dir>%s</dir><cachedir>/tmp/fc-latin</cachedir></fontconfig>\n' \
  "$latin_dir" >"$latin"
# Root's own folder is fresh too (plnctl --version above made ~/.local/share/plntool in the C
# locale), so this window is Japanese as well.
shot root first-start-no-cjk FONTCONFIG_FILE=/tmp/latin-fonts.conf XDG_DATA_HOME=/tmp/root-data
differing="$(compare -metric AE "$out/first-start.png" "$out/first-start-no-cjk.png" null: 2>&1 || true)"
differing="$(echo "$differing" | awk '{ printf "%d", $1 }')"
[ "$differing" -gt 2000 ] || fail "the captions look the same without the Japanese font ($differing pixels differ)"

# Root is a user too: its own folder, even without HOME.
grep -q '^Language=Japanese' "$(at /tmp/root-data/plntool/Setting.ini)" \
  || fail "PLNTOOL run by root wrote no Japanese Setting.ini of root's own"
[ -d "$(at /tmp/root-data/plntool/TMP)" ] || fail "PLNTOOL run by root made no working folders of root's own"
root_home="$(inroot getent passwd root | cut -d: -f6)"
[ -f "$(at "$root_home/.local/share/plntool/Setting.ini")" ] || fail "plnctl run by root wrote no Setting.ini in ~root"
status=0
inroot env -u HOME LANG=en_GB.UTF-8 XDG_DATA_HOME= /usr/bin/plnctl --device /nonexistent capture 2>/dev/null || status=$?
[ "$status" -eq 1 ] || fail "plnctl as root without HOME ended with $status"
# A user whose locale is not Japanese starts in English.
inroot runuser -u plntester -- env HOME="$uhome" LANG=C.UTF-8 XDG_DATA_HOME="$uhome/en" \
  /usr/bin/plnctl --device /nonexistent capture 2>/dev/null || true
grep -q '^Language=English' "$(at "$uhome/en/plntool/Setting.ini")" || fail "a C locale did not start in English"

written="$(cd "$(at /)" && find usr opt -newer tmp/installed.stamp 2>/dev/null | head -5 || true)"
[ -z "$written" ] || fail "files were written under /usr or /opt: $written"

inroot apt-get purge -y -qq plntool >/dev/null
left=""
while IFS= read -r f; do
  [ "$f" = /. ] && continue
  [ -e "$(at "$f")" ] || [ -L "$(at "$f")" ] || continue
  [ -d "$(at "$f")" ] && ! [ -L "$(at "$f")" ] && inroot dpkg -S "$f" >/dev/null 2>&1 && continue
  left="$left $f"
done <"$out/files.txt"
stray="$(cd "$(at /)" && find usr etc opt var/lib -xdev -iname '*plntool*' -print 2>/dev/null | head -5 || true)"
[ -z "$left$stray" ] || fail "apt-get purge left:$left $stray"

echo "install test: passed on $([ -n "$R" ] && echo "a clean Debian 12 root" || echo "this machine")"
echo "  package:     $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB; installed size $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "  pulled in:   $with_recommends packages with recommends, $without_recommends with --no-install-recommends"
echo "  captions:    $differing pixels differ from the run without the Japanese font"
echo "  $lintian_summary"
echo "  screenshot:  $out/first-start.png"
