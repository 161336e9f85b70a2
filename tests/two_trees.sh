# Sourced by the reproducibility checks: build_in_two_trees TARGET copies
# the tracked files into $a and $b, clean trees at different paths, and
# makes TARGET in each a second apart.
top=$(pwd)
a=$(mktemp -d)
b=$(mktemp -d)/deeper/tree
trap 'rm -rf "$a" "${b%/deeper/tree}"' EXIT
mkdir -p "$b"

build_in_two_trees() {
	for tree in "$a" "$b"; do
		git -C "$top" ls-files -z | (cd "$top" && xargs -0 tar cf -) | tar xf - -C "$tree"
		${MAKE:-make} -s --no-print-directory -C "$tree" -j2 "$1" >/dev/null
		sleep 1
	done
}
