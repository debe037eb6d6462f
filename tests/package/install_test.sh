#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine (apt resolves its dependencies),
# runs the installed programs and removes the package again. Needs root or sudo; not part of
# ./scripts/test because it changes the system.
#   tests/package/install_test.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-${PLNTOOL_BUILD_DIR:-$root/build}}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
fail() { echo "package test: $*" >&2; exit 1; }

"$root/scripts/build" >/dev/null
(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls -t "$build"/plntool_*.deb | head -1)"
if dpkg-query -W -f='${Status}' plntool 2>/dev/null | grep -q 'install ok installed'; then
  fail "plntool is already installed here; remove it first"
fi
cleanup() { $sudo dpkg --purge plntool >/dev/null 2>&1 || true; rm -rf "$scratch"; }
scratch="$(mktemp -d)"
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb" >/dev/null

for p in /opt/plntool/PLNTOOL/plnctl /usr/bin/plnctl /usr/bin/plnsim /usr/bin/PLNTOOL; do
  out="$("$p" --version)" || fail "$p --version failed"
  case "$out" in *1.*) ;; *) fail "$p --version printed '$out'" ;; esac
done
/usr/bin/plnctl --help | grep -q -- '--language' || fail "plnctl --help lacks --language"
for f in /usr/share/man/man1/plnctl.1 /usr/share/man/man1/plnsim.1 /usr/share/applications/plntool.desktop \
         /usr/share/icons/hicolor/256x256/apps/plntool.png /opt/plntool/PLNTOOL/MessageJPN.ini; do
  [ -e "$f" ] || fail "$f is missing"
done

# A user who may not write to /opt gets Setting.ini in a folder of their own.
user=nobody
if id "$user" >/dev/null 2>&1; then
  chmod 777 "$scratch"
  status=0
  $sudo runuser -u "$user" -- env HOME="$scratch" LANG=C /usr/bin/plnctl --device /nonexistent capture \
    2>"$scratch/err" || status=$?
  [ "$status" -eq 1 ] || fail "plnctl as $user ended with $status: $(cat "$scratch/err")"
  [ -f "$scratch/.local/share/plntool/Setting.ini" ] || fail "no Setting.ini in the user's folder"
  [ ! -e /opt/plntool/PLNTOOL/Setting.ini ] || fail "Setting.ini was written under /opt"
fi

$sudo dpkg --purge plntool >/dev/null
[ ! -e /usr/bin/plnctl ] || fail "/usr/bin/plnctl is left after removal"
echo "package test: passed ($(basename "$deb"))"
