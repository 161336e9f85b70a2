# Two make dist runs, in clean trees at different paths and at different
# times, give byte-identical release files, the image among them. Both
# build in the Debian root this tree's make dist made.
set -eu
export ROOTS="$(pwd)/build/roots"
. tests/two_trees.sh
build_in_two_trees dist
[ "$(ls "$a/dist")" = "$(ls "$b/dist")" ] || { ls "$a/dist" "$b/dist"; exit 1; }
for f in "$a"/dist/*; do
	cmp "$f" "$b/dist/${f##*/}"
done
