# Each tarball, unpacked into an otherwise empty root, runs every probe
# there: nothing else is needed. Another architecture's probes run under
# a static qemu-user put into the same root.
set -eu
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
native=$(dpkg --print-architecture)
enter=$(command -v chroot)
[ "$(id -u)" -eq 0 ] || enter="$(command -v unshare) -r $enter"
in_root() { $enter "$root" "$@"; }
same() { [ "$1" = "$2" ] || { printf '%s: got\n%s\nwanted\n%s\n' "$tarball" "$1" "$2"; exit 1; }; }

for tarball in dist/probes-*.tar.gz; do
	rm -rf "$root" && mkdir "$root"
	tar -xzf "$tarball" -C "$root"
	top=/$(basename "$tarball" .tar.gz)
	arch=${top##*-}
	run=""
	if [ "$arch" != "$native" ]; then
		cp "$(command -v "qemu-$(awk -v a="$arch" '$1 == a { print $4 }' scripts/arches)-static")" "$root/qemu"
		run=/qemu
	fi
	same "$(in_root $run "$top/argreport" x)" "$top/argreport
x"
	same "$(env -i A=1 $enter "$root" $run "$top/envreport")" "A=1"
	same "$(in_root $run "$top/idreport" 2>&1 | cut -f1)" "$(printf '%s:\n' UID EUID GID EGID PID PPID PGID SID umask)"
	same "$(in_root $run "$top/limitreport" | cut -f1 | tr '\n' ' ')" "RLIMIT_AS RLIMIT_CORE RLIMIT_CPU RLIMIT_DATA RLIMIT_FSIZE RLIMIT_LOCKS RLIMIT_MEMLOCK RLIMIT_NOFILE RLIMIT_NPROC RLIMIT_RSS RLIMIT_SBSIZE RLIMIT_STACK "
	same "$(in_root $run "$top/envreport" -V 2>&1)" "envreport: version: 2.07"
done
