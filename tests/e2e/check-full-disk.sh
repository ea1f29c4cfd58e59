#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A disk that fills up under a run in place with backups, and under an output folder: every file stays
# old or new, nothing is left beside it, the run says so (exit 1), and the same command finishes the job
# once there is room. The disk is a small tmpfs in a mount namespace of its own, never the real one.
#
#   check-full-disk.sh BUILD-DIR        (as root; skipped, 77, where namespaces cannot be made)
set -euo pipefail
program=$1/bin/trelvick-convert
if [[ ${1:-} == --inside ]]; then
    program=$2
    disk=$(mktemp -d)
    mount -t tmpfs -o size=256k tmpfs "$disk"
    trap 'umount -l "$disk"; rmdir "$disk"' EXIT
    mkdir "$disk/a"
    line='Η γρήγορη καφέ αλεπού πηδά πάνω από τον τεμπέλη σκύλο, μια φορά κι έναν καιρό.'
    for i in $(seq 1 20); do
        for _ in $(seq 1 20); do printf '%s\r\n' "$line"; done | iconv -t CP737 >"$disk/a/f$i.txt"
    done
    cp -a "$disk/a" /tmp/full-disk-before.$$
    trap 'umount -l "$disk"; rmdir "$disk"; rm -rf /tmp/full-disk-before.$$' EXIT
    head -c 10M /dev/zero >"$disk/fill" 2>/dev/null || true
    status=0
    "$program" -r -f auto -i --backup --report=tsv "$disk/a" >/dev/null 2>&1 || status=$?
    [[ $status -eq 1 ]] || { echo "FAIL: a full disk ended -i with status $status" >&2; exit 1; }
    diff -r /tmp/full-disk-before.$$ "$disk/a" >&2 || { echo "FAIL: a file changed on a full disk" >&2; exit 1; }
    status=0
    "$program" -r -f auto --output-dir "$disk/o" "$disk/a" >/dev/null 2>&1 || status=$?
    [[ $status -eq 1 ]] || { echo "FAIL: a full disk ended --output-dir with status $status" >&2; exit 1; }
    if [[ -d $disk/o ]] && find "$disk/o" -name '.trelvick-*' | grep -q .; then
        echo "FAIL: temporaries left in the output folder" >&2; exit 1
    fi
    rm "$disk/fill"
    "$program" -r -f auto -i --backup "$disk/a" 2>/dev/null || { echo "FAIL: the run again did not finish" >&2; exit 1; }
    for i in $(seq 1 20); do
        iconv -f UTF-8 -t CP737 <"$disk/a/f$i.txt" | cmp -s - "/tmp/full-disk-before.$$/f$i.txt" ||
            { echo "FAIL: f$i.txt is not its original in UTF-8" >&2; exit 1; }
        cmp -s "$disk/a/f$i.txt~" "/tmp/full-disk-before.$$/f$i.txt" || { echo "FAIL: backup of f$i.txt" >&2; exit 1; }
    done
    echo "full disk: every file old or new, the run again finished the job"
    exit 0
fi
[[ -x $program ]] || { echo "FAIL: no program at $program" >&2; exit 1; }
if [[ $(id -u) -ne 0 ]] || ! unshare -m true 2>/dev/null; then
    echo "skipped: needs root and mount namespaces"
    exit 77
fi
exec unshare -m bash "$0" --inside "$(realpath "$program")"
