#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what a system would get: exactly
# the expected files (no test, tool or autostart entry), a desktop entry and a D-Bus
# service file that name the installed program, valid desktop entry and AppStream
# metadata, screenshots that exist, manual pages that groff reads without a warning and
# that cover every option the programs' --help lists, and programs that run from there.
# Usage: check-installation.sh BUILD-DIR SOURCE-DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || {
  cat "$work/install.log" >&2
  exit 1
}

# Exactly these files.
expected="bin/vorn-cite
bin/vorn-cite-cli
share/applications/app.vorn.cite.desktop
share/dbus-1/interfaces/app.vorn.cite.xml
share/dbus-1/services/app.vorn.cite.service
share/doc/vorn-cite/LICENSE
share/doc/vorn-cite/THIRD-PARTY-NOTICES
share/icons/hicolor/scalable/apps/app.vorn.cite.svg
share/icons/hicolor/symbolic/apps/app.vorn.cite-symbolic.svg
share/man/man1/vorn-cite-cli.1.gz
share/man/man1/vorn-cite.1.gz
share/metainfo/app.vorn.cite.metainfo.xml"
actual=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$(LC_ALL=C sort <<<"$expected")" ]; then
  fail "installed files differ from the expected ones:"
  diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual") >&2 || true
fi

# The desktop entry and the service file start the installed program.
desktop=$prefix/share/applications/app.vorn.cite.desktop
service=$prefix/share/dbus-1/services/app.vorn.cite.service
desktop-file-validate "$desktop" || fail "desktop-file-validate refused the desktop entry"
while IFS= read -r line; do
  case "$line" in
    "Exec=$prefix/bin/vorn-cite" | "Exec=$prefix/bin/vorn-cite "*) ;;
    *) fail "desktop entry: $line does not start the installed program" ;;
  esac
done < <(grep '^Exec=' "$desktop")
[ "$(grep -c '^Exec=' "$desktop")" -eq 3 ] || fail "desktop entry: expected the program and two actions"
grep -qx 'Actions=FindCitations;Settings;' "$desktop" || fail "desktop entry: the actions are missing"
grep -qx "Exec=$prefix/bin/vorn-cite" "$service" || fail "service file: $(grep '^Exec=' "$service")"
grep -qx 'Name=app.vorn.cite' "$service" || fail "service file: wrong bus name"
grep -qx 'Icon=app.vorn.cite' "$desktop" || fail "desktop entry: the icon is not app.vorn.cite"

# AppStream metadata: valid, about this desktop entry, with screenshots that exist.
metainfo=$prefix/share/metainfo/app.vorn.cite.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli refused the metadata"
grep -q '<launchable type="desktop-id">app.vorn.cite.desktop</launchable>' "$metainfo" ||
  fail "metadata: the launchable is not the installed desktop entry"
version=$(sed -n 's/^project(VornCite VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
grep -q "<release version=\"$version\"" "$metainfo" || fail "metadata: no release notes for $version"
shots=$(sed -n 's|.*<image>.*/\([^/<]*\)</image>.*|\1|p' "$metainfo")
[ -n "$shots" ] || fail "metadata: no screenshots"
for shot in $shots; do
  [ -f "$source/docs/screenshots/$shot" ] || fail "metadata: docs/screenshots/$shot does not exist"
done

# Manual pages: no groff warning, and every option of --help documented.
for page in "$prefix"/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
documented() { # PAGE OPTION...
  local text
  text=$(zcat "$prefix/share/man/man1/$1.1.gz" | sed 's/\\-/-/g')
  shift
  for option in "$@"; do
    grep -qE -e "$option([^a-z-]|\$)" <<<"$text" || fail "$option is missing from its manual page"
  done
}
# shellcheck disable=SC2046
documented vorn-cite $("$prefix/bin/vorn-cite" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
cli=$prefix/bin/vorn-cite-cli
subcommands=$("$cli" --help | sed -n 's/^Usage: vorn-cite-cli <\([a-z|-]*\)>.*/\1/p' | tr '|' ' ')
[ -n "$subcommands" ] || fail "vorn-cite-cli --help lists no subcommands"
for subcommand in $subcommands; do
  # shellcheck disable=SC2046
  documented vorn-cite-cli "^\.BR? \"?$subcommand" $("$cli" help "$subcommand" | grep -oE -- '--[a-z][a-z-]*' | sort -u)
done

# The installed programs run.
[ "$("$cli" --version)" = "vorn-cite-cli $version" ] || fail "vorn-cite-cli --version: $("$cli" --version)"
[ "$("$prefix/bin/vorn-cite" --version)" = "vorn-cite $version" ] || fail "vorn-cite --version"

[ $status -eq 0 ] && echo "installation in $prefix: as expected"
exit $status
