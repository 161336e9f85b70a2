# The image in real engines, as its users run it: podman with runc, and a
# dockerd and a containerd of the check's own, load the archive and run
# each row: its engines, their flags, the command, and the lines the probe
# must print (as tests/dist/engines matches them). Each row reports "ok",
# "FAILED", or "SKIPPED ...: why" when the engine cannot start a container
# at all. What the probes printed stays in BUILD/engine/out.
check=engine
. tests/dist/engines
caps="--cap-drop all --cap-add net_bind_service --security-opt no-new-privileges --group-add 27"
rows() {
	cat <<EOF
default command|podman docker|-u 1000:1001||UID:\t1000;EUID:\t1000;GID:\t1001;EGID:\t1001;PID:\t1
soft limit|podman docker|--ulimit nofile=300:$hard|limitreport|RLIMIT_NOFILE\tmaximum number of open files per process (files): 300
environment|podman docker|-e MODE=test -e 'SPACED=a b'|envreport|MODE=test;SPACED=a b;PATH=/usr/bin
arguments|podman docker ctr||argreport one 'two words' ''|=argreport;one;two words;
a limit envreport does not show|podman docker|--ulimit nofile=300:$hard|envreport|PATH=/usr/bin
privileges|podman docker|$caps|privreport|CapEff:\t0000000000000400\tcap_net_bind_service;CapBnd:\t0000000000000400\tcap_net_bind_service;NoNewPrivs:\t1;Seccomp:\t2\tfilter
privileges of user 1000, raised as ambient|podman|$caps -u 1000:1000|privreport|Groups:\t27 1000;CapEff:\t0000000000000400\tcap_net_bind_service;CapAmb:\t0000000000000400\tcap_net_bind_service
privileges of user 1000, not raised|docker|$caps -u 1000:1000|privreport|Groups:\t27 1000;CapEff:\t0000000000000000;CapAmb:\t0000000000000000
privileged|podman|--privileged|privreport|NoNewPrivs:\t0;Seccomp:\t0\tdisabled
descriptors|podman docker||fdreport|0\tchr\trw\t-\t1:3\t/dev/null;1\tfifo\tw\t-\t-\tpipe:[*;2\tfifo\tw\t-\t-\tpipe:[*
own namespaces but the user one|podman docker||nsreport|~^ns/pid:\t[0-9]+$;~^ns/mnt:\t[0-9]+$;~^ns/net:\t[0-9]+$;ns/user:\t4026531837\tinitial;UidMap:\t0 0 4294967295;~^Hostname:\t[0-9a-f]+$;Cwd:\t/;Root:\trw
host name, working directory, read-only root|podman docker|--hostname probe -w /usr --read-only|nsreport|Hostname:\tprobe;Cwd:\t/usr;Root:\tro
the host's process ids|podman docker|--pid=host|nsreport|ns/pid:\t4026531836\tinitial
ids mapped|podman|--uidmap 0:100000:65536 --gidmap 0:100000:65536|nsreport|~^ns/user:\t[0-9]+$;UidMap:\t0 100000 65536;GidMap:\t0 100000 65536
the label under the engine's filter|podman docker||privreport|Seccomp:\t2\tfilter;Label:\t[not provided on this platform]
resources set by flags|podman docker|--ulimit nofile=300:4000 --cpuset-cpus 1 --memory 64m --cpus 0.5 --pids-limit 50 --oom-score-adj 500|resreport|RLIMIT_NOFILE:\t300\t4000;Cpus:\t1;memory.limit_in_bytes:\t67108864;cpu.cfs_quota_us:\t50000;cpu.cfs_period_us:\t100000;pids.max:\t50;OOMScoreAdj:\t500
resources by default|podman docker||resreport|RLIMIT_NOFILE:\t256\t$hard;OOMScoreAdj:\t0;cpu.cfs_quota_us:\t-1
environment as containerd makes it|ctr|--env MODE=test|envreport|=PATH=/usr/bin;MODE=test;HOME=/
working directory, read-only root|ctr|--cwd /usr --read-only|nsreport|Cwd:\t/usr;Root:\tro
capabilities dropped and added|ctr|--cap-drop CAP_NET_RAW --cap-add CAP_SYS_TIME|privreport|CapEff:\t00000000aa0405fb\tcap_chown,cap_dac_override,cap_fowner,cap_fsetid,cap_kill,cap_setgid,cap_setuid,cap_setpcap,cap_net_bind_service,cap_sys_chroot,cap_sys_time,cap_mknod,cap_audit_write,cap_setfcap
privileged|ctr|--privileged|privreport|~^CapEff:\t[0-9a-f]+\tcap_chown,cap_dac_override,cap_dac_read_search,
no filter and no new privileges unless asked|ctr||privreport|NoNewPrivs:\t1;Seccomp:\t0\tdisabled
a filter and new privileges asked for|ctr|--seccomp --allow-new-privs|privreport|NoNewPrivs:\t0;Seccomp:\t2\tfilter
a memory limit in a group that is not mounted|ctr|--memory-limit 67108864|resreport|~^Cgroup:\t4:memory:/default/probe-[0-9]+$;memory.limit_in_bytes:\t-
no signal pending or blocked (ignored ones come from whoever started the engine)|podman docker||sigreport|SigPnd:\t0000000000000000;SigBlk:\t0000000000000000
paths masked and read-only by default|podman docker||mntreport|Path:\t/proc/acpi\tmasked;Path:\t/proc/keys\tmasked;Path:\t/proc/timer_list\tmasked;Path:\t/sys/firmware\tmasked;Path:\t/proc/sys\tro;Path:\t/proc/bus\tro;Path:\t/proc/irq\tro;~^Mount:\t/proc/keys\ttmpfs\ttmpfs\t/null\t
nothing masked when privileged|podman|--privileged|mntreport|Path:\t/proc/acpi\trw;Path:\t/proc/keys\trw;Path:\t/proc/sys\trw;Path:\t/sys/firmware\trw
a read-only volume and a tmpfs|podman docker|-v $vol:/data:ro --tmpfs /run:size=1m|mntreport /data /run|~^Mount:\t/data\t[^\t]+\t[^\t]+\t$vol\tro,;~^Mount:\t/run\ttmpfs\t.*\trw,.*size=1024k;Path:\t/data\tro;Path:\t/run\trw
one path unmasked|podman|--security-opt unmask=/proc/keys|mntreport|Path:\t/proc/keys\trw;Path:\t/proc/timer_list\tmasked
devices and links by default|podman docker||devreport|Device:\t/dev/null\tc 1:3\t0666\t0\t0;Device:\t/dev/zero\tc 1:5\t0666\t0\t0;Device:\t/dev/full\tc 1:7\t0666\t0\t0;Device:\t/dev/random\tc 1:8\t0666\t0\t0;Device:\t/dev/urandom\tc 1:9\t0666\t0\t0;Device:\t/dev/tty\tc 5:0\t0666\t0\t0;Device:\t/dev/pts/ptmx\tc 5:2\t0666\t0\t0;Link:\t/dev/fd\t/proc/self/fd;Link:\t/dev/stdin\t/proc/self/fd/0;Link:\t/dev/stdout\t/proc/self/fd/1;Link:\t/dev/stderr\t/proc/self/fd/2;Link:\t/dev/ptmx\tpts/ptmx;Allow:\tc 1:3 rwm
a device added|podman docker|--device /dev/fuse|devreport|~^Device:\t/dev/fuse\tc 10:229\t;Allow:\tc 10:229 rwm
every device when privileged|podman|--privileged|devreport|Allow:\ta *:* rwm
sysctls set|podman docker|--sysctl net.ipv4.ip_unprivileged_port_start=0 --sysctl kernel.shm_rmid_forced=1|sysreport|net.ipv4.ip_unprivileged_port_start:\t0;kernel.shm_rmid_forced:\t1;Terminal:\t-;Personality:\t00000000\tlinux
a terminal|podman docker|-t|sysreport|~^Terminal:\t136:[0-9]+\t[0-9]+ [0-9]+
a 32-bit personality, asked in the configuration but not applied by runc 1.1|podman|--personality LINUX32|sysreport|Personality:\t00000000\tlinux
masked paths and a bound folder|ctr|--mount type=bind,src=$vol,dst=/data,options=rbind:ro|mntreport /data /proc/keys|Path:\t/data\tro;Path:\t/proc/keys\tmasked
EOF
}
base="--rm --network none --ulimit nofile=256:$hard --ulimit nproc=1024:2048"
n=0
# start ENGINE FLAGS COMMAND: a container of the image, removed when it ends;
# containerd's client takes an id after the image, and fits this machine's
# limits as it is
start() {
	n=$((n + 1))
	case $1 in
	ctr) eval "in_ctr run --rm $2 $image probe-$n $3" ;;
	*) eval "in_$1 run $base $2 $image $3" ;;
	esac
}
trial() { start "$1" "" argreport; }

for engine in podman docker ctr; do
	why=$(why $engine)
	rows | while IFS='|' read -r name engines flags command want; do
		case " $engines " in *" $engine "*) ;; *) continue ;; esac
		[ -z "$why" ] || { echo "SKIPPED $engine: $name: $why"; continue; }
		out=$work/out/$engine-$(echo "$name" | tr ' ' -)
		start "$engine" "$flags" "$command" </dev/null >"$out" 2>&1
		verdict "$engine" "$name" "$want" "$out"
	done
done
