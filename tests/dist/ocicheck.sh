# ocicheck against real engines: a container of the image kept running (a
# static busybox bound in sleeps), each row's flags, then ocicheck --exec
# with the configuration the engine wrote: each row's engines, the points
# that must fail because the engine hands over something else than that
# configuration says (docs/containers.md names each), and the flags. What ocicheck printed stays in
# BUILD/ocicheck/out.
check=ocicheck
. tests/dist/engines
ocicheck=$(pwd)/${BUILD:-build}/bin/ocicheck
sleeper="-v /bin/busybox:/sleep:ro"
# with runc 1.1 on version 1 control groups, the tmpfs they are mounted
# under stays writable though the configuration asks it read-only; ctr
# mounts no control-group files, so a limit it asks reads "-"
cgroup_mount="mounts /sys/fs/cgroup"
rows() {
	cat <<EOF
defaults|podman|$cgroup_mount;process.env|
defaults|docker|$cgroup_mount|
defaults|ctr|linux.resources.cpu.shares|
user, groups, mask, capabilities|podman|$cgroup_mount;process.env;process.user.additionalGids|-u 1000:1001 --group-add 27 --cap-drop all --cap-add net_bind_service --security-opt no-new-privileges
user, groups, mask, capabilities|docker|$cgroup_mount|-u 1000:1001 --group-add 27 --cap-drop all --cap-add net_bind_service --security-opt no-new-privileges
names, working directory, read-only root, a volume, a tmpfs|podman docker|$cgroup_mount|--hostname probe -w /usr --read-only -v $vol:/data:ro --tmpfs /run:size=1m
resources|podman|$cgroup_mount;process.env|--cpuset-cpus 1 --memory 64m --cpus 0.5 --pids-limit 50 --oom-score-adj 500
resources|docker|$cgroup_mount|--ulimit nofile=300:4000 --cpuset-cpus 1 --memory 64m --cpus 0.5 --pids-limit 50 --oom-score-adj 500
sysctls and a device|podman|$cgroup_mount;process.env|--sysctl net.ipv4.ip_unprivileged_port_start=0 --sysctl kernel.shm_rmid_forced=1 --device /dev/fuse
sysctls and a device|docker|$cgroup_mount|--sysctl net.ipv4.ip_unprivileged_port_start=0 --sysctl kernel.shm_rmid_forced=1 --device /dev/fuse
a 32-bit personality|podman|$cgroup_mount;process.env;linux.personality|--personality LINUX32
environment, working directory, read-only root|ctr|linux.resources.cpu.shares|--env MODE=test --cwd /usr --read-only
EOF
}
# soft and hard alike: what podman exec hands over for a soft limit below
# the hard one varies from run to run (docs/containers.md says how)
base="--network none --ulimit nofile=$hard:$hard --ulimit nproc=2048:2048"
n=0
# keep ENGINE FLAGS: a container kept running, its name, and its
# configuration in $work/config.json
keep() {
	n=$((n + 1)) name=probe-check-$n
	case $1 in
	ctr)
		eval "in_ctr run -d --mount type=bind,src=/bin/busybox,dst=/sleep,options=rbind:ro $2 $image $name /sleep 600" >/dev/null &&
			in_ctr containers info "$name" >"$work/config.json"
		;;
	podman)
		eval "in_podman run -d --name $name $base $sleeper $2 $image /sleep 600" >/dev/null &&
			cp "$(in_podman inspect --format '{{.OCIConfigPath}}' "$name")" "$work/config.json"
		;;
	docker)
		id=$(eval "in_docker run -d --name $name $base $sleeper $2 $image /sleep 600") &&
			cp "$work"/docker-exec/containerd/daemon/io.containerd.runtime.v2.task/moby/"$id"/config.json "$work/config.json"
		;;
	esac
}
exec_in() {
	case $1 in
	ctr) echo "ctr -a $work/containerd.sock tasks exec --exec-id ocicheck $name" ;;
	podman) echo "podman --root $work/podman --runroot $work/podman-run --storage-driver vfs --runtime runc --cgroup-manager cgroupfs --events-backend file exec $name" ;;
	docker) echo "docker --host unix://$work/docker.sock exec $name" ;;
	esac
}
trial() { keep "$1" "" && in_$1 rm -f "$name" >/dev/null 2>&1; [ "$1" != ctr ] || { in_ctr tasks kill -s KILL "$name"; sleep 1; in_ctr containers rm "$name"; } >/dev/null 2>&1; }
stop_kept() {
	case $1 in
	ctr) { in_ctr tasks kill -s KILL "$name"; sleep 1; in_ctr tasks delete "$name"; in_ctr containers rm "$name"; } >/dev/null 2>&1 ;;
	*) in_$1 rm -f -t 0 "$name" >/dev/null 2>&1 ;;
	esac
}

for engine in podman docker ctr; do
	why=$(why $engine)
	rows | while IFS='|' read -r row engines failing flags; do
		case " $engines " in *" $engine "*) ;; *) continue ;; esac
		[ -z "$why" ] || { echo "SKIPPED $engine: $row: $why"; continue; }
		out=$work/out/$engine-$(echo "$row" | tr ' ,' '--')
		keep "$engine" "$flags" </dev/null
		# shellcheck disable=SC2046
		"$ocicheck" --inside /usr/bin --exec "$work/config.json" -- $(exec_in "$engine") >"$out" 2>&1
		status=$?
		stop_kept "$engine"
		got=$(sed -n 's/^not ok [0-9]* - //p' "$out" | sort | tr '\n' ';')
		want=$(printf '%s' "$failing" | tr ';' '\n' | sed '/^$/d' | sort | tr '\n' ';')
		[ "$got" = "$want" ] && [ $status -le 1 ] && grep -q '^ok ' "$out" && echo "ok $engine: ocicheck: $row" ||
			printf 'FAILED %s: ocicheck: %s: wanted to fail %s\n%s\n' "$engine" "$row" "$want" "$(cat "$out")"
	done
done

# A pod through podman's play kube, with limits that fit this machine.
[ -z "$(why podman)" ] || { echo "SKIPPED pod: ocicheck: $(why podman)"; exit 0; }
printf '[containers]\ndefault_ulimits = ["nofile=%s:%s", "nproc=2048:2048"]\n' "$hard" "$hard" >"$work/containers.conf"
export CONTAINERS_CONF="$work/containers.conf"
printf '{apiVersion: v1, kind: Pod, metadata: {name: probe-pod}, spec: {hostname: probe, volumes: [{name: s, hostPath: {path: /bin/busybox}}], containers: [{name: probe, image: localhost/%s, command: [/sleep, "600"], workingDir: /usr, volumeMounts: [{name: s, mountPath: /sleep, readOnly: true}], securityContext: {readOnlyRootFilesystem: true}}]}}\n' \
	"$image" >"$work/pod.yaml"
in_podman play kube --network none "$work/pod.yaml" >/dev/null 2>&1
name=probe-pod-probe
cp "$(in_podman inspect --format '{{.OCIConfigPath}}' "$name")" "$work/config.json"
# shellcheck disable=SC2046
"$ocicheck" --exec "$work/config.json" -- $(exec_in podman) >"$work/out/pod" 2>&1
in_podman pod rm -f probe-pod >/dev/null 2>&1
got=$(sed -n 's/^not ok [0-9]* - //p' "$work/out/pod" | sort | tr '\n' ';')
[ "$got" = "$cgroup_mount;process.env;" ] && echo "ok pod: ocicheck" || printf 'FAILED pod: ocicheck:\n%s\n' "$(cat "$work/out/pod")"
