# A staged install puts exactly the stripped probes and their pages in
# place, each probe still runs, and uninstall takes all of it away again.
set -eu
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
make="${MAKE:-make} -s --no-print-directory B=$BUILD DESTDIR=$stage PREFIX=/opt/p"

$make install >/dev/null
want=""
for t in $TOOLS ocicheck; do
	want="$want
755 ./opt/p/bin/$t
644 ./opt/p/share/man/man1/$t.1"
done
got=$(cd "$stage" && find . -type f -printf '%m %p\n' | sort)
want=$(printf '%s\n' "$want" | sed '/^$/d' | sort)
[ "$got" = "$want" ] || { printf 'installed:\n%s\nexpected:\n%s\n' "$got" "$want"; exit 1; }

for t in $TOOLS; do
	bin="$stage/opt/p/bin/$t"
	file "$bin" | grep -q 'statically linked.*, stripped' || { file "$bin"; exit 1; }
done
[ "$("$stage/opt/p/bin/argreport" x)" = "$stage/opt/p/bin/argreport
x" ]
[ "$(env -i A=1 "$stage/opt/p/bin/envreport")" = "A=1" ]
"$stage/opt/p/bin/idreport" 2>&1 | grep -q '^umask:	0[0-7][0-7][0-7]$'
[ "$("$stage/opt/p/bin/limitreport" | wc -l)" -eq 12 ]
"$stage/opt/p/bin/ocicheck" -V 2>&1 | grep -qx 'ocicheck: version: 2.07'

$make uninstall >/dev/null
left=$(find "$stage" -type f)
[ -z "$left" ] || { printf 'left after uninstall:\n%s\n' "$left"; exit 1; }
