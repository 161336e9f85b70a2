# Two builds of the same sources in clean trees at different paths give
# byte-identical probes: no build ids, timestamps or paths inside.
set -eu
. tests/two_trees.sh
build_in_two_trees all
for t in $TOOLS ocicheck; do
	cmp "$a/build/bin/$t" "$b/build/bin/$t"
	if grep -q -a -e "$a" -e "$b" "$a/build/bin/$t"; then
		echo "$t holds its build path"
		exit 1
	fi
done
