# Set-up goes on when the package indexes fail to update, and fails only
# when the install does, naming what it could not install. A stub apt-get
# (and id and sleep) first on PATH stands in for the real ones.
set -eu
stub=$(mktemp -d)
trap 'rm -rf "$stub"' EXIT
cat >"$stub/apt-get" <<'STUB'
#!/bin/sh
echo "$1" >>"$STUB/calls"
case $1 in
update) [ "$(grep -c update "$STUB/calls")" -gt "$UPDATE_FAILS" ] ;;
install) [ "$INSTALL_OK" = 1 ] ;;
esac
STUB
printf '#!/bin/sh\necho 0\n' >"$stub/id"
printf '#!/bin/sh\n' >"$stub/sleep"
chmod +x "$stub"/*

# row NAME UPDATE_FAILS INSTALL_OK "STATUS CALLS..." LAST-MESSAGE
row() {
	: >"$stub/calls"
	status=0
	out=$(STUB=$stub UPDATE_FAILS=$2 INSTALL_OK=$3 PATH="$stub:$PATH" CXX=no-such-g++ scripts/install-deps build 2>&1) || status=$?
	got="$status $(tr '\n' ' ' <"$stub/calls")| $(printf '%s\n' "$out" | tail -n 1)"
	if [ "$got" = "$4 | $5" ]; then echo "ok $1"; else printf 'FAILED %s: got "%s"\n' "$1" "$got"; fi
}
row "an update that fails once" 1 1 "0 update update install" "installing for build: g++"
row "updates that keep failing" 9 1 "0 update update update update install" \
	"install-deps: apt-get update failed 4 times; installing from the indexes there are"
row "an install that fails" 0 0 "1 update install" "install-deps: could not install for build: g++"
