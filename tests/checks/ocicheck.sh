# ocicheck under runc: bundles of runc's default configuration with an empty root, one
# per group of fields, each row the edit (jq) made to the configuration,
# the lie a runtime tells (an edit it makes before runc runs), and the
# points that must fail, with one in every row: runc 1.1 leaves the
# tmpfs under the version 1 control groups writable.
# Then bad input: exit 2, one line, nothing left behind.
set -u
[ "$(id -u)" -eq 0 ] || { echo "SKIPPED ocicheck: runc needs root"; exit 0; }
tmp=$(mktemp -d)
chmod 755 "$tmp"
export TMPDIR="$tmp/tmp"
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$TMPDIR" "$tmp/b/rootfs" "$tmp/probes"
chown 100000:100000 "$tmp/b/rootfs"  # the root of a user namespace's, in one row
# the probes where every user reaches them, for a user namespace's root
cp "$BUILD"/bin/* "$tmp/probes/"
check="$tmp/probes/ocicheck"
(cd "$tmp/b" && runc spec 2>"$tmp/err") ||
	{ echo "SKIPPED ocicheck: runc cannot run here: $(grep -m1 . "$tmp/err")"; exit 0; }
# ambient capabilities the kernel can raise, but in the first row
spec=$(jq '.process.capabilities.inheritable = .process.capabilities.ambient' "$tmp/b/config.json")
same="mounts /sys/fs/cgroup"
rows() {
	cat <<'EOF'
runc spec's own, ambient capabilities without inheritable ones@del(.process.capabilities.inheritable)@@process.capabilities.ambient
a user with groups and a mask@.process.user = {uid: 1000, gid: 1001, umask: 18, additionalGids: [27, 100]}@@
capabilities dropped and added@.process.capabilities = ({bounding: ["CAP_KILL", "CAP_NET_RAW", "CAP_SYS_TIME"], effective: ["CAP_KILL", "CAP_SYS_TIME"], permitted: ["CAP_KILL", "CAP_SYS_TIME"], inheritable: ["CAP_KILL"], ambient: ["CAP_KILL"]})@@
limits@.process.rlimits = [{type: "RLIMIT_NOFILE", soft: 300, hard: 400}, {type: "RLIMIT_CORE", soft: 0, hard: 0}]@@
host name, working directory, read-only root; a domain name runc 1.1 leaves out@.hostname = "probe" | .domainname = "example.org" | .process.cwd = "/dev" | .root.readonly = true@@domainname
masked and read-only paths@.linux.maskedPaths += ["/proc/cpuinfo"] | .linux.readonlyPaths += ["/proc/loadavg"]@@
namespaces with and without a path@.linux.namespaces += [{type: "cgroup"}] | .linux.namespaces |= map(if .type == "network" then .path = "/proc/self/ns/net" else . end)@@
sysctls@.linux.sysctl = {"net.ipv4.ip_unprivileged_port_start": "0", "kernel.shm_rmid_forced": "1"}@@
memory, CPU and process limits@.linux.resources = {memory: {limit: 67108864, reservation: 33554432}, cpu: {quota: 50000, period: 100000, shares: 512, cpus: "0"}, pids: {limit: 50}}@@
a device@.linux.devices = [{path: "/dev/fuse", type: "c", major: 10, minor: 229, fileMode: 384, uid: 0, gid: 0}]@@
a user namespace with mappings@.linux.namespaces += [{type: "user"}] | .linux.uidMappings = [{containerID: 0, hostID: 100000, size: 65536}] | .linux.gidMappings = .linux.uidMappings@@
OOM score; scheduling and I/O priority, which runc 1.1 leaves out@.process.oomScoreAdj = 500 | .process.scheduler = {policy: "SCHED_BATCH", nice: 5} | .process.ioPriority = {class: "IOPRIO_CLASS_BE", priority: 4}@@process.scheduler;process.ioPriority
a runtime that drops an ambient capability@.@.process.capabilities.ambient -= ["CAP_KILL"]@process.capabilities.ambient
a runtime that changes the host name@.@.hostname = "liar"@hostname
a runtime that leaves a path unmasked@.@.linux.maskedPaths -= ["/proc/timer_list"]@linux.maskedPaths
a runtime that shifts a memory limit@.linux.resources.memory.limit = 67108864@.linux.resources.memory.limit = 33554432@linux.resources.memory.limit
a runtime that adds an environment entry@.@.process.env += ["EXTRA=1"]@process.env
EOF
}
# a runtime that edits the bundle's configuration before runc runs it
cat >"$tmp/liar" <<'EOF'
#!/bin/sh
for a; do [ "${next:-}" ] && bundle=$a; next=; [ "$a" = --bundle ] && next=1; done
[ -z "${bundle:-}" ] || { jq "$LIE" "$bundle/config.json" >"$bundle/lied" && mv "$bundle/lied" "$bundle/config.json"; }
exec runc "$@"
EOF
chmod 755 "$tmp/liar"
"$check" "$tmp/b" >/dev/null 2>"$tmp/err"
[ $? -ne 2 ] || { echo "SKIPPED ocicheck: runc cannot start a container here: $(cat "$tmp/err")"; exit 0; }
rows | while IFS='@' read -r name edit lie failing; do
	printf '%s\n' "$spec" | jq "$edit" >"$tmp/b/config.json"
	LIE=${lie:-.} "$check" --runtime "$tmp/liar" "$tmp/b" >"$tmp/tap" 2>&1
	got=$(sed -n 's/^not ok [0-9]* - //p' "$tmp/tap" | sort | tr '\n' ';')
	want=$(printf '%s;%s' "$same" "$failing" | tr ';' '\n' | sed '/^$/d' | sort | tr '\n' ';')
	[ "$got" = "$want" ] && [ "$(grep -c '^ok ' "$tmp/tap")" -gt 20 ] && echo "ok ocicheck: $name" ||
		printf 'FAILED ocicheck: %s: wanted %s\n%s\n' "$name" "$want" "$(cat "$tmp/tap")"
done

# Bad input and a missing runtime or probe: exit 2, one line, no container
# and no temporary bundle left behind.
bad() {
	cat <<'EOF'
not JSON@printf '{"ociVersion": "1.0.2",\n  "process" {}}\n'@@line 2: syntax error
JSON of another shape@echo '[1, 2]'@@not a runtime configuration
a field of another type@jq '.process.user.uid = "0"'@@/process/user/uid
an unknown capability@jq '.process.capabilities.bounding += ["CAP_FLY"]'@@unknown capability CAP_FLY
an unknown namespace kind@jq '.linux.namespaces += [{"type": "widget"}]'@@unknown kind widget
a bundle without its root@jq '.root.path = "gone"'@@/gone: no root folder
a runtime that is not there@jq .@--runtime=/nonexistent/runc@/nonexistent/runc: No such file or directory
a probe that is missing@jq .@--probes=/nonexistent@/nonexistent/[a-z]*report: no such probe
EOF
}
before=$(runc list -q)
bad | while IFS='@' read -r name make option want; do
	printf '%s\n' "$spec" | sh -c "$make" >"$tmp/b/config.json"
	"$check" ${option:+"${option%%=*}" "${option#*=}"} "$tmp/b" >"$tmp/out" 2>"$tmp/err"
	status=$? left=$(ls -A "$TMPDIR")$(runc list -q)
	[ $status -eq 2 ] && [ ! -s "$tmp/out" ] && [ "$(wc -l <"$tmp/err")" -eq 1 ] && grep -q "^ocicheck: error: .*$want" "$tmp/err" &&
		[ "$left" = "$before" ] && echo "ok ocicheck: $name" ||
		printf 'FAILED ocicheck: %s: status %s, left %s:\n%s\n' "$name" "$status" "$left" "$(cat "$tmp/out" "$tmp/err")"
done

# An interrupt while a container is there (a runtime that creates it,
# then pauses): the signal ends the check, and nothing is left behind.
printf '%s\n' "$spec" >"$tmp/b/config.json"
printf '#!/bin/sh\n[ "$1" = run ] || exec runc "$@"\nrunc create --bundle "$3" "$4" && sleep 5 && runc start "$4"\n' >"$tmp/slow"
chmod 755 "$tmp/slow"
"$check" --runtime "$tmp/slow" "$tmp/b" >/dev/null 2>&1 &
sleep 2 && kill -INT $! && wait $!
status=$? left=$(ls -A "$TMPDIR")$(runc list -q)
[ $status -eq 130 ] && [ "$left" = "$before" ] && echo "ok ocicheck: interrupted" ||
	echo "FAILED ocicheck: interrupted: status $status, left $left"
