# Pods, as Kubernetes YAML reaches a process: podman's play kube starts a
# pod of the image for each row (its annotations, the pod's fields, its
# container's fields, and the lines the probe must print, as
# tests/dist/engines matches them), with limits that fit this machine:
# podman's defaults exceed its hard limits, and play kube swaps soft and
# hard ones unless they are equal. What the probes printed stays in
# BUILD/pod/out.
check=pod
. tests/dist/engines
rows() {
	cat <<EOF
runAsUser, runAsGroup|||securityContext: {runAsUser: 1000, runAsGroup: 1001}, command: [idreport]|UID:\t1000;EUID:\t1000;GID:\t1001;EGID:\t1001
supplementalGroups, capabilities, allowPrivilegeEscalation||securityContext: {runAsUser: 1000, runAsGroup: 1001, supplementalGroups: [27]}|securityContext: {allowPrivilegeEscalation: false, capabilities: {drop: [ALL], add: [NET_BIND_SERVICE]}}, command: [privreport]|Groups:\t27 1001;CapEff:\t0000000000000400\tcap_net_bind_service;CapBnd:\t0000000000000400\tcap_net_bind_service;NoNewPrivs:\t1;Seccomp:\t2\tfilter
privileged|||securityContext: {privileged: true}, command: [privreport]|NoNewPrivs:\t0;Seccomp:\t0\tdisabled;~^CapEff:\t[0-9a-f]+\tcap_chown,cap_dac_override,cap_dac_read_search,
seccomp runtime/default|seccomp.security.alpha.kubernetes.io/pod: runtime/default||command: [privreport]|Seccomp:\t2\tfilter
seccomp unconfined|seccomp.security.alpha.kubernetes.io/pod: unconfined||command: [privreport]|Seccomp:\t0\tdisabled
env, with the pod's name|||command: [envreport], env: [{name: MODE, value: test}, {name: POD_NAME, valueFrom: {fieldRef: {fieldPath: metadata.name}}}]|MODE=test;POD_NAME=probe-pod;PATH=/usr/bin
command and args|||command: [argreport, one], args: [two words, '']|=argreport;one;two words;
workingDir, hostname, readOnlyRootFilesystem||hostname: probe|workingDir: /usr, securityContext: {readOnlyRootFilesystem: true}, command: [nsreport]|Hostname:\tprobe;Cwd:\t/usr;Root:\tro
resources.limits|||resources: {limits: {memory: 64Mi, cpu: 500m}}, command: [resreport]|memory.limit_in_bytes:\t67108864;cpu.cfs_quota_us:\t50000;cpu.cfs_period_us:\t100000
securityContext.sysctls, which play kube leaves out of the configuration||securityContext: {sysctls: [{name: net.ipv4.ip_unprivileged_port_start, value: "0"}, {name: kernel.shm_rmid_forced, value: "1"}]}|command: [sysreport]|net.ipv4.ip_unprivileged_port_start:\t1024;kernel.shm_rmid_forced:\t0
a read-only volumeMounts entry, procMount left default||volumes: [{name: v, hostPath: {path: $vol}}]|volumeMounts: [{name: v, mountPath: /data, readOnly: true}], command: [mntreport, /data, /proc/keys]|Path:\t/data\tro;Path:\t/proc/keys\tmasked
EOF
}
printf '[containers]\ndefault_ulimits = ["nofile=%s:%s", "nproc=2048:2048"]\n' "$hard" "$hard" >"$work/containers.conf"
export CONTAINERS_CONF="$work/containers.conf"

# start podman ANNOTATIONS POD CONTAINER: a pod of one container of the
# image, what it printed once it ends, and the pod removed
start() {
	in_podman pod rm -f probe-pod >/dev/null 2>&1
	printf '{apiVersion: v1, kind: Pod, metadata: {name: probe-pod, annotations: {%s}}, spec: {restartPolicy: Never%s, containers: [{name: probe, image: localhost/%s, %s}]}}\n' \
		"$2" "${3:+, $3}" "$image" "$4" >"$work/pod.yaml"
	in_podman play kube --network none "$work/pod.yaml" >"$work/play.log" 2>&1 || { tail -n 1 "$work/play.log" >&2; return 1; }
	in_podman wait probe-pod-probe >/dev/null
	in_podman logs probe-pod-probe
	in_podman pod rm -f probe-pod >/dev/null
}
trial() { start podman "" "" "command: [argreport]"; }

why=$(why podman)
rows | while IFS='|' read -r name annotations pod container want; do
	[ -z "$why" ] || { echo "SKIPPED pod: $name: $why"; continue; }
	out=$work/out/$(echo "$name" | tr ' ,/' '---')
	start podman "$annotations" "$pod" "$container" </dev/null >"$out" 2>&1
	verdict pod "$name" "$want" "$out"
done
