# Sourced by the release checks: probes_answer ROOT DIR ARCH runs the
# probes in DIR of the otherwise empty ROOT, another architecture's under
# a static qemu-user copied in beside them, and fails unless each answers
# as it should; $what names them in the message.
native=$(dpkg --print-architecture)
enter=$(command -v chroot)
[ "$(id -u)" -eq 0 ] || enter="$(command -v unshare) -r $enter"
same() { [ "$1" = "$2" ] || { printf '%s: got\n%s\nwanted\n%s\n' "$what" "$1" "$2"; exit 1; }; }

probes_answer() {
	root=$1 top=$2 run=""
	if [ "$3" != "$native" ]; then
		cp "$(command -v "qemu-$(awk -v a="$3" '$1 == a { print $4 }' scripts/arches)-static")" "$root/qemu"
		run=/qemu
	fi
	in_root() { $enter "$root" $run "$@"; }
	same "$(in_root "$top/argreport" x)" "$top/argreport
x"
	same "$(env -i A=1 $enter "$root" $run "$top/envreport")" "A=1"
	same "$(in_root "$top/idreport" 2>&1 | cut -f1)" "$(printf '%s:\n' UID EUID GID EGID PID PPID PGID SID umask)"
	same "$(in_root "$top/limitreport" | cut -f1 | tr '\n' ' ')" "RLIMIT_AS RLIMIT_CORE RLIMIT_CPU RLIMIT_DATA RLIMIT_FSIZE RLIMIT_LOCKS RLIMIT_MEMLOCK RLIMIT_NOFILE RLIMIT_NPROC RLIMIT_RSS RLIMIT_SBSIZE RLIMIT_STACK "
	same "$(in_root "$top/envreport" -V 2>&1)" "envreport: version: 2.07"
	same "$(in_root "$top/privreport" | cut -f1 | tr '\n' ' ')" "Groups: CapInh: CapPrm: CapEff: CapBnd: CapAmb: Securebits: NoNewPrivs: Seccomp: Label: "
	same "$(in_root "$top/nsreport" | cut -f1 | tr '\n' ' ')" "ns/cgroup: ns/ipc: ns/mnt: ns/net: ns/pid: ns/time: ns/user: ns/uts: UidMap: GidMap: Hostname: Domainname: Cwd: Root: TimeOffset: "
	# no /proc there: no control group, so no limit files
	same "$(in_root "$top/resreport" | cut -f1 | sed 's/_[A-Z]*//' | uniq | tr '\n' ' ')" "RLIMIT: Cpus: Policy: Nice: IOPriority: OOMScoreAdj: Cgroup: "
	same "$(in_root "$top/sigreport" | cut -f1 | tr '\n' ' ')" "SigPnd: SigBlk: SigIgn: "
	# no /proc, /dev or /sys there
	same "$(in_root "$top/mntreport" /proc/keys | tr '\n\t' ' :')" "Mount::[query failed] Path::/proc/keys:absent "
	same "$(in_root "$top/devreport" | tr '\n\t' ' :')" "Device::[query failed] Allow::[query failed] "
	same "$(in_root "$top/sysreport" vm.max_map_count | sed 1,5d | tr '\n\t' ' :')" "Terminal::[query failed] vm.max_map_count::- "
	same "$(in_root "$top/nsreport" | tail -n 1)" "TimeOffset:	[query failed]"
	# no /proc there: found by the scan, without targets
	same "$(in_root "$top/fdreport" </dev/null 2>&1 | cut -f1,6 | head -n 3 | tr '\n\t' ' :')" "0:- 1:- 2:- "
}
