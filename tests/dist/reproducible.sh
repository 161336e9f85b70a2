# Two make dist runs, in clean trees at different paths and at different
# times, give byte-identical tarballs, packages and checksum lists.
set -eu
top=$(pwd)
a=$(mktemp -d)
b=$(mktemp -d)/deeper/tree
trap 'rm -rf "$a" "${b%/deeper/tree}"' EXIT
mkdir -p "$b"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
for tree in "$a" "$b"; do
	git ls-files -z | xargs -0 tar cf - | tar xf - -C "$tree"
	${MAKE:-make} -s --no-print-directory -C "$tree" -j2 dist >/dev/null
	sleep 1
done
[ "$(ls "$a/dist")" = "$(ls "$b/dist")" ] || { ls "$a/dist" "$b/dist"; exit 1; }
for f in "$a"/dist/*; do
	cmp "$f" "$b/dist/${f##*/}"
done
