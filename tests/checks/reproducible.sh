# Two builds of the same sources in clean trees at different paths give
# byte-identical probes: no build ids, timestamps or paths inside.
set -eu
top=$(pwd)
a=$(mktemp -d)
b=$(mktemp -d)/deeper/tree
trap 'rm -rf "$a" "${b%/deeper/tree}"' EXIT
mkdir -p "$b"
for tree in "$a" "$b"; do
	git -C "$top" ls-files -z | (cd "$top" && xargs -0 tar cf -) | tar xf - -C "$tree"
	${MAKE:-make} -s --no-print-directory -C "$tree" -j2 all >/dev/null
done
for t in $TOOLS; do
	cmp "$a/build/bin/$t" "$b/build/bin/$t"
	if grep -q -a -e "$a" -e "$b" "$a/build/bin/$t"; then
		echo "$t holds its build path"
		exit 1
	fi
done
