# Every command the README and docs/ show with a "$ " prompt in a shell
# block runs here from the top of the tree, after make, and exits 0, or
# as a "# exits N" after it says. A block that starts an engine, a
# cluster or ocicheck in one of its commands is left out as a whole: its
# commands share the engine's state.
set -u
list=$(mktemp)
trap 'rm -f "$list"' EXIT
for doc in README.md docs/*.md; do
	awk -v doc="$doc" -v engines='^(podman|docker|ctr|crictl|kubectl|systemd-run|ocicheck|runc) ' '
		/^```sh$/ { inside = 1; n = 0; engine = 0; next }
		inside && /^```/ { inside = 0; if (!engine) for (i = 1; i <= n; i++) print doc "\t" cmd[i]; next }
		inside && joining { cmd[n] = substr(cmd[n], 1, length(cmd[n]) - 1) $0; joining = $0 ~ /\\$/; next }
		inside && /^\$ / { c = substr($0, 3); engine = engine || c ~ engines; cmd[++n] = c; joining = c ~ /\\$/ }
	' "$doc"
done >"$list"
while IFS="$(printf '\t')" read -r doc cmd; do
	want=0
	case "$cmd" in *"# exits "*) want=${cmd##*# exits } ;; esac
	sh -c "$cmd" >/dev/null 2>&1 </dev/null
	got=$?
	[ "$got" -eq "$want" ] && echo "ok $doc: $cmd" || echo "FAILED $doc: $cmd: exit $got, not $want"
done <"$list"
