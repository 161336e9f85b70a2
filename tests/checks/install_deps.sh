# Set-up goes on when the package indexes fail to update, and fails only
# when the install does, naming what: against a stub apt-get (and id and
# sleep) first on PATH, whose update fails as often as a row asks.
set -eu
stub=$(mktemp -d)
trap 'rm -rf "$stub"' EXIT
printf '#!/bin/sh\necho "$1" >>%s/calls\n[ "$1" = install ] && exit "$FAIL_INSTALL"\n[ "$(wc -l <%s/calls)" -gt "$FAIL_UPDATES" ]\n' \
	"$stub" "$stub" >"$stub/apt-get"
printf '#!/bin/sh\necho 0\n' >"$stub/id"
printf '#!/bin/sh\n' >"$stub/sleep"
chmod +x "$stub"/*
# row NAME UPDATES-THAT-FAIL INSTALL-STATUS "STATUS CALLS... | LAST LINE"
row() {
	: >"$stub/calls"
	out=$(FAIL_UPDATES=$2 FAIL_INSTALL=$3 PATH="$stub:$PATH" CXX=no-such-g++ scripts/install-deps build 2>&1) && s=0 || s=$?
	got="$s $(tr '\n' ' ' <"$stub/calls")| $(printf '%s\n' "$out" | tail -n 1)"
	[ "$got" = "$4" ] && echo "ok $1" || echo "FAILED $1: $got"
}
row "an update that fails once" 1 0 "0 update update install | installing for build: g++"
row "an install that fails" 0 100 "1 update install | install-deps: could not install for build: g++"
