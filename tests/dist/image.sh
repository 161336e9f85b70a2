# The image archive holds one image for every released architecture. Each,
# unpacked into an empty root, holds exactly the probes of that
# architecture's tarball and the licence notices, in at most 48 KiB of
# layers made by scripts/image, and its probes answer there.
set -eu
. tests/in_root.sh
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
archive=$(echo dist/probes-*-oci.tar)
index=$(skopeo inspect --raw "oci-archive:$archive")
tools=$(ls tools)
want=$(printf './usr/bin/%s\n' $tools; printf './usr/share/doc/probes/%s\n' LICENSE LICENSE.musl)

for arch in $(awk '!/^#/ && index("," $6 ",", ",13,") { print $1 }' scripts/arches); do
	what="image for $arch"
	cpu=$(awk -v a="$arch" '$1 == a { sub("linux/", "", $5); print $5 }' scripts/arches)
	variant=${cpu#*/} cpu=${cpu%%/*}
	[ "$variant" != "$cpu" ] || variant=""
	platform="\"platform\":{\"architecture\":\"$cpu\",\"os\":\"linux\"${variant:+,\"variant\":\"$variant\"}}"
	case "$index" in *"$platform"*) ;; *) echo "$what: not in the index: $index"; exit 1 ;; esac
	rm -rf "$tmp/img" "$tmp/root" && mkdir "$tmp/root"
	skopeo copy --quiet --override-arch "$cpu" ${variant:+--override-variant "$variant"} \
		"oci-archive:$archive" "dir:$tmp/img"
	sed 's/.*"layers"://' "$tmp/img/manifest.json" | grep -o 'sha256:[0-9a-f]*' | cut -d: -f2 >"$tmp/layers"
	while read -r layer; do
		[ "$(stat -c %s "$tmp/img/$layer")" -le 49152 ] || { echo "$what: layer over 48 KiB"; exit 1; }
		tar -xzf "$tmp/img/$layer" -C "$tmp/root"
	done <"$tmp/layers"
	same "$(cd "$tmp/root" && find . -type f -o -type l | sort)" "$want"
	config=$(skopeo inspect --config --raw --override-arch "$cpu" ${variant:+--override-variant "$variant"} "oci-archive:$archive")
	same "$(echo "$config" | grep -o '"config":{"Env":\[[^]]*\],"Cmd":\[[^]]*\]')" '"config":{"Env":["PATH=/usr/bin"],"Cmd":["idreport"]'
	# the one layer's history says what made it, and no shell did
	same "$(echo "$config" | grep -o '"created_by":"[^"]*"')" '"created_by":"scripts/image: the probes into /usr/bin, their notices into /usr/share/doc/probes"'
	tar -xzf dist/probes-*-"$arch".tar.gz -C "$tmp"
	for t in $tools; do
		cmp "$tmp/root/usr/bin/$t" "$tmp"/probes-*-"$arch/$t"
	done
	probes_answer "$tmp/root" /usr/bin "$arch"
done
