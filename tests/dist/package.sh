# The native package installs into a throwaway root, its probes run and
# its pages render there, and removing it leaves nothing behind.
set -eu
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
db=$root/var/lib/dpkg
mkdir -p "$db/info" "$db/updates"
touch "$db/status"
force=""
[ "$(id -u)" -eq 0 ] || force=--force-not-root
dpkg="dpkg --root=$root --log=/dev/null $force"
$dpkg -i dist/probes_*_"$(dpkg --print-architecture)".deb >/dev/null

[ "$("$root/usr/bin/argreport" x)" = "$root/usr/bin/argreport
x" ]
[ "$(env -i A=1 "$root/usr/bin/envreport")" = "A=1" ]
[ "$("$root/usr/bin/idreport" 2>&1 | wc -l)" -eq 9 ]
[ "$("$root/usr/bin/limitreport" | wc -l)" -eq 12 ]
"$root/usr/bin/ocicheck" -V 2>&1 | grep -qx 'ocicheck: version: 2.07'
for t in $(ls tools) ocicheck; do
	MANWIDTH=80 man -l "$root/usr/share/man/man1/$t.1.gz" 2>&1 | grep -q "^NAME" ||
		{ echo "$t.1 does not render"; exit 1; }
done

$dpkg -P probes >/dev/null
left=$(cd "$root" && find . -mindepth 1 ! -path './var' ! -path './var/lib' ! -path './var/lib/dpkg*')
[ -z "$left" ] || { printf 'left after removal:\n%s\n' "$left"; exit 1; }
if ls "$db/info" | grep -q probes; then echo "dpkg still lists probes"; exit 1; fi
