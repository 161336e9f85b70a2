# Sourced by the reproducibility checks: build_in_two_trees TARGET copies
# the tree's files (with its git history, which make dist reads) into $a
# and $b, clean trees at different paths, and makes TARGET in each a
# second apart.
top=$(pwd)
a=$(mktemp -d)
b=$(mktemp -d)/deeper/tree
trap 'rm -rf "$a" "${b%/deeper/tree}"' EXIT
mkdir -p "$b"

tree_files() {
	if [ -e .git ] && command -v git >/dev/null; then
		git ls-files -z
		find .git -print0
	else
		find . -path ./build -prune -o -path ./dist -prune -o -type f -print0
	fi
}

build_in_two_trees() {
	for tree in "$a" "$b"; do
		(cd "$top" && tree_files | tar --null --no-recursion -T - -cf -) | tar xf - -C "$tree"
		${MAKE:-make} -s --no-print-directory -C "$tree" -j2 "$1" >/dev/null
		sleep 1
	done
}
