# The image in real engines, as its users run it: podman with runc and a
# dockerd of its own load the archive and run each row: its engines, their
# flags, the command, and the lines the probe must print (";" between them;
# "=" first: exactly these; "*" last: one that starts so; "~" first: one
# that matches the regular expression that follows). Each row reports
# "ok", "FAILED", or "SKIPPED ...: why" when the engine cannot start a
# container at all. What the probes printed stays in BUILD/engine/out.
set -u
hard=$(ulimit -Hn)
caps="--cap-drop all --cap-add net_bind_service --security-opt no-new-privileges --group-add 27"
rows() {
	cat <<EOF
default command|podman docker|-u 1000:1001||UID:\t1000;EUID:\t1000;GID:\t1001;EGID:\t1001;PID:\t1
soft limit|podman docker|--ulimit nofile=300:$hard|limitreport|RLIMIT_NOFILE\tmaximum number of open files per process (files): 300
environment|podman docker|-e MODE=test -e 'SPACED=a b'|envreport|MODE=test;SPACED=a b;PATH=/usr/bin
arguments|podman docker||argreport one 'two words' ''|=argreport;one;two words;
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
no signal pending or blocked (ignored ones come from whoever started the engine)|podman docker||sigreport|SigPnd:\t0000000000000000;SigBlk:\t0000000000000000
EOF
}
work=$(pwd)/${BUILD:-build}/engine
archive=$(echo dist/probes-*-oci.tar)
image=$(tar -xOf "$archive" ./index.json | sed -n 's/.*"org.opencontainers.image.ref.name":"\([^"]*\)".*/\1/p')
base="--rm --network none --ulimit nofile=256:$hard --ulimit nproc=1024:2048"
rm -rf "$work"
mkdir -p "$work/out"
in_podman() { podman --root "$work/podman" --runroot "$work/podman-run" --storage-driver vfs --runtime runc \
	--cgroup-manager cgroupfs --events-backend file "$@"; }
in_docker() { docker --host "unix://$work/docker.sock" "$@"; }
stop_dockerd() {
	pid=$(cat "$work/docker.pid" 2>/dev/null) && kill "$pid" || return 0
	for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
}
trap 'stop_dockerd; rm -rf "$work/podman" "$work/podman-run" "$work/docker" "$work/docker-exec"' EXIT
trap 'exit 1' HUP INT TERM

# load ENGINE: the image into its store, a dockerd started for docker
load() {
	[ "$1" = docker ] || { in_podman load --quiet -i "$archive"; return; }
	dockerd --iptables=false --bridge=none --exec-opt native.cgroupdriver=cgroupfs --data-root "$work/docker" \
		--exec-root "$work/docker-exec" --pidfile "$work/docker.pid" --host "unix://$work/docker.sock" \
		>"$work/dockerd.log" 2>&1 &
	for _ in $(seq 100); do in_docker version >/dev/null 2>&1 && break; sleep 0.2; done
	in_docker version >/dev/null 2>&1 || { tail -n 1 "$work/dockerd.log" >&2; return 1; }
	skopeo copy --quiet --dest-daemon-host "unix://$work/docker.sock" "oci-archive:$archive" "docker-daemon:$image"
}

# why ENGINE: nothing when it loads the image and starts a container of it
why() {
	[ "$(id -u)" -eq 0 ] || { echo "needs root"; return; }
	command -v "$1" >/dev/null || { echo "$1: not found"; return; }
	{ load "$1" && "in_$1" run $base "$image" argreport; } >/dev/null 2>"$work/$1.err" || tail -n 1 "$work/$1.err"
}

for engine in podman docker; do
	why=$(why $engine)
	rows | while IFS='|' read -r name engines flags command want; do
		case " $engines " in *" $engine "*) ;; *) continue ;; esac
		[ -z "$why" ] || { echo "SKIPPED $engine: $name: $why"; continue; }
		out=$work/out/$engine-$(echo "$name" | tr ' ' -)
		eval "in_$engine run $base $flags $image $command" >"$out" 2>&1
		awk -v want="$want" 'BEGIN { exact = sub(/^=/, "", want); n = split(want, w, ";") }
			{ got[++m] = $0; seen[$0] = 1 }
			END {
				for (i = 1; i <= n; i++) {
					ok = exact ? got[i] == w[i] : seen[w[i]]
					for (j = 1; !exact && w[i] ~ /^~/ && j <= m; j++) ok = ok || got[j] ~ substr(w[i], 2)
					for (j = 1; !exact && w[i] ~ /\*$/ && j <= m; j++) ok = ok || index(got[j], substr(w[i], 1, length(w[i]) - 1)) == 1
					if (!ok || (exact && m != n)) exit 1
				}
			}' "$out" && echo "ok $engine: $name" || printf 'FAILED %s: %s; got:\n%s\n' "$engine" "$name" "$(cat "$out")"
	done
done
