# Each tarball, unpacked into an otherwise empty root, runs every probe
# there: nothing else is needed.
set -eu
. tests/in_root.sh
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

for what in dist/probes-*-*.tar.gz; do
	rm -rf "$root" && mkdir "$root"
	tar -xzf "$what" -C "$root"
	same "$(tar -tvzf "$what" | awk '/^-..x/ { sub(".*/", "", $6); printf "%s ", $6 }')" "$(echo $(ls tools) ocicheck | tr ' ' '\n' | sort | tr '\n' ' ')"
	top=/$(basename "$what" .tar.gz)
	probes_answer "$root" "$top" "${top##*-}"
done
