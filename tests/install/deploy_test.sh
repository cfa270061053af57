#!/usr/bin/env bash
# Checks the deployment examples: systemd accepts the service and timer (systemd-analyze verify
# in a scratch root holding the real kelvoran-batch), the commands of the service, the crontab
# line and the CronJob are ones kelvoran-batch accepts, the CronJob's init container hands the
# credentials to the run user with mode 0600, and the container's final stage installs every
# runtime package the batch program needs and no -dev package.
# Usage: deploy_test.sh DEPLOY_DIR KELVORAN_BATCH
# Exit 77 (skipped) where systemd-analyze is missing.
set -euo pipefail
deploy=$1
batch=$2
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

# Each command line is run with --help appended: an option the program does not know, or one
# without its value, is a usage error (exit 2) before --help is looked at.
accepts() {
    local where=$1
    shift
    "$batch" "$@" --help >/dev/null 2>"$root/err" ||
        fail "$where: kelvoran-batch refuses \"$*\": $(cat "$root/err")"
}

service_args=$(sed -n 's|^ExecStart=/usr/bin/kelvoran-batch ||p' "$deploy/kelvoran-schedule.service")
[ -n "$service_args" ] || fail "the service does not start /usr/bin/kelvoran-batch"
# shellcheck disable=SC2086 # the unit's arguments are plain words
accepts "kelvoran-schedule.service" $service_args
cron_args=$(grep -v '^#' "$deploy/crontab" | sed -n 's|.*/usr/bin/kelvoran-batch \(.*\) >>.*|\1|p')
[ -n "$cron_args" ] || fail "the crontab line does not run /usr/bin/kelvoran-batch"
eval "accepts crontab $cron_args"

/usr/bin/python3 - "$deploy/kelvoran-cronjob.yaml" "$deploy/Containerfile" >"$root/cronjob-args" <<'PY' ||
import sys, yaml
docs = [d for d in yaml.safe_load_all(open(sys.argv[1], encoding="utf-8")) if d]
job = next(d for d in docs if d["kind"] == "CronJob")
pod = job["spec"]["jobTemplate"]["spec"]["template"]["spec"]
volumes = {v["name"]: v for v in pod["volumes"]}
init = pod["initContainers"][0]
main = pod["containers"][0]
run_user = main["securityContext"]["runAsUser"]
assert run_user != 0 and main["securityContext"].get("runAsNonRoot"), "runs as root"
# The init container: install -o UID -g UID -m 0600 SECRET_FILE DEST, from the Secret into an
# emptyDir that the schedule's container mounts too.
cmd = init["command"]
assert cmd[0] == "install", cmd
opts = dict(zip(cmd[1:-2:2], cmd[2:-2:2]))
assert opts == {"-o": str(run_user), "-g": str(run_user), "-m": "0600"}, opts
src, dest = cmd[-2:]
def mount_of(container, path):
    m = [m for m in container["volumeMounts"] if path.startswith(m["mountPath"] + "/")]
    assert m, f"{path} is on no volume of {container['name']}"
    return m[0]["name"]
assert "secret" in volumes[mount_of(init, src)], "the init container does not read the Secret"
assert "emptyDir" in volumes[mount_of(init, dest)], "the credentials do not go to an emptyDir"
args = main["args"]
creds = args[args.index("--credentials") + 1]
assert creds == dest, f"the schedule reads {creds}, the init container writes {dest}"
assert mount_of(main, creds) == mount_of(init, dest), "different volumes"
assert args[args.index("--log-dir") + 1] == "-", "the run log does not go to the pod's log"
secret_name = volumes[mount_of(init, src)]["secret"]["secretName"]
assert any(d["kind"] == "Secret" and d["metadata"]["name"] == secret_name for d in docs)
# The image's entry point is kelvoran-batch, so the container's args are its arguments.
assert 'ENTRYPOINT ["/usr/bin/kelvoran-batch"]' in open(sys.argv[2]).read()
print("\n".join(args))
PY
    fail "CronJob manifest"
mapfile -t cronjob_args <"$root/cronjob-args"
accepts "kelvoran-cronjob.yaml" "${cronjob_args[@]}"

# The container: GUI-less build; the final stage names the package of every library the batch
# program links, and the SQL driver plugins, and no -dev package.
grep -q -- '-DKELVORAN_BUILD_GUI=OFF' "$deploy/Containerfile" || fail "Containerfile builds the GUI"
final=$(awk '/^FROM /{stage++} stage==2' "$deploy/Containerfile")
runtime=$(sed -n '/apt-get install/,/rm -rf/p' <<<"$final" | tr -s ' \\\n' '\n')
if grep -q -- '-dev$' <<<"$runtime"; then fail "final stage installs -dev packages"; fi
# One dpkg query for all the libraries (each query reads the whole package database); a library
# in /lib is found under either of its merged-/usr names.
declare -A real_of
queries=()
for lib in $(objdump -p "$batch" | awk '/NEEDED/{print $2}'); do
    file=$(ldconfig -p | awk -v l="$lib" '$1 == l && !found {print $NF; found = 1}')
    [ -n "$file" ] || fail "$lib not found by ldconfig"
    real=$(readlink -f "$file")
    real_of[$lib]=$real
    queries+=("$real" "${real#/usr}" "/usr${real#/usr}")
done
owners=$(dpkg -S "${queries[@]}" 2>/dev/null || true)
for lib in "${!real_of[@]}"; do
    name=${real_of[$lib]##*/}
    pkg=$(awk -v n="/$name" 'index($0, n) == length($0) - length(n) + 1 {print $1; exit}' \
        <<<"$owners")
    pkg=${pkg%%:*}
    [ -n "$pkg" ] || fail "no package owns $lib (${real_of[$lib]})"
    grep -qx "$pkg" <<<"$runtime" || fail "Containerfile's final stage lacks $pkg (for $lib)"
done
for plugin in sqlite psql mysql odbc; do
    grep -qx "libqt6sql6-$plugin" <<<"$runtime" || fail "final stage lacks libqt6sql6-$plugin"
done

# systemd's own check, in a root holding the units, the real program and systemd's units.
if ! command -v systemd-analyze >/dev/null || [ ! -d /usr/lib/systemd/system ]; then
    echo "systemd-analyze is not available: units not verified"
    exit 77
fi
mkdir -p "$root/sys/usr/bin" "$root/sys/usr/lib/systemd" "$root/sys/etc/systemd/system"
cp -r /usr/lib/systemd/system "$root/sys/usr/lib/systemd/"
cp "$batch" "$root/sys/usr/bin/kelvoran-batch"
cp "$deploy/kelvoran-schedule.service" "$deploy/kelvoran-schedule.timer" "$root/sys/etc/systemd/system/"
systemd-analyze verify --root="$root/sys" /etc/systemd/system/kelvoran-schedule.service \
    /etc/systemd/system/kelvoran-schedule.timer || fail "systemd-analyze verify"
echo "deploy examples check passed"
