# Two make dist runs, in clean trees at different paths and at different
# times, give byte-identical tarballs, packages and checksum lists.
set -eu
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
. tests/two_trees.sh
build_in_two_trees dist
[ "$(ls "$a/dist")" = "$(ls "$b/dist")" ] || { ls "$a/dist" "$b/dist"; exit 1; }
for f in "$a"/dist/*; do
	cmp "$f" "$b/dist/${f##*/}"
done
