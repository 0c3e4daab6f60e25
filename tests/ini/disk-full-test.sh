#!/usr/bin/env bash
# An INI write on a full disk fails (Success False) and leaves the file exactly as it was; with
# room again the same write succeeds and keeps every other section. The full disk is a tmpfs
# of 256 KB, which takes the right to mount: without it the test is skipped (status 77).
KZ_ARCH="${1:?architecture}"
. "$(dirname "$0")/../../tools/env.sh"
mnt="$(mktemp -d)"; tmp="$(mktemp -d)"
if ! mount -t tmpfs -o size=256k kzt-disk-full "$mnt" 2>"$tmp/mount.err"; then
  echo "SKIP: cannot mount a small file system here: $(cat "$tmp/mount.err")"; rm -rf "$mnt" "$tmp"; exit 77
fi
trap 'umount "$mnt"; rmdir "$mnt"; rm -rf "$tmp"' EXIT
{ for i in $(seq 1 40); do printf '[Section%02d]\r\n' "$i"; for k in $(seq 1 12); do printf 'key%02d=some text of the setting %02d\r\n' "$k" "$k"; done; done
  printf '[Last]\r\nmarker=kept\r\n'; } > "$mnt/setup.ini"
cp "$mnt/setup.ini" "$tmp/original.ini"
# A small file, whose copy is written with its room in one piece.
printf '[Small]\r\nmarker=kept\r\n' > "$mnt/small.ini"; cp "$mnt/small.ini" "$tmp/small.ini"
dd if=/dev/zero of="$mnt/filler" bs=1024 >/dev/null 2>&1  # fills the disk up
ini="$(winepath -w "$mnt/setup.ini")"
small="$(winepath -w "$mnt/small.ini")"
cat > "$tmp/full.vbs" <<VBS
' checks: 3
Dim h : Set h = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
h.Path = "$ini" : h.Section = "Section01" : h.Key = "big"
h.Value = String(3000, "x")
CheckEqual h.Success, False, "a write on a full disk"
h.Section = "Last" : h.Key = "marker"
CheckEqual h.Value, "kept", "the last section after the failed write"
h.Path = "$small" : h.Section = "Small" : h.Key = "big"
h.Value = String(3000, "x")
CheckEqual h.Success, False, "a write to a small file on a full disk"
Finish
VBS
"$KZ_ROOT/tools/run-script" "$KZ_ARCH" "$tmp/full.vbs" || exit 1
cmp -s "$mnt/setup.ini" "$tmp/original.ini" || { echo "FAIL: the file changed on a full disk"; exit 1; }
cmp -s "$mnt/small.ini" "$tmp/small.ini" || { echo "FAIL: the small file changed on a full disk"; exit 1; }
ls -a "$mnt" | grep -q '^~kz' && { echo "FAIL: a working copy was left behind: $(ls -a "$mnt")"; exit 1; }
rm -f "$mnt/filler"
cat > "$tmp/room.vbs" <<VBS
' checks: 4
Dim h : Set h = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
h.Path = "$ini" : h.Section = "Section01" : h.Key = "big"
h.Value = String(3000, "x")
CheckEqual h.Success, True, "the same write with room"
CheckEqual Len(h.Value), 254, "the value read back"
h.Section = "Last" : h.Key = "marker"
CheckEqual h.Value, "kept", "the last section after the write"
h.Section = "Section40" : h.Key = "key12"
CheckEqual h.Value, "some text of the setting 12", "a section before it"
Finish
VBS
"$KZ_ROOT/tools/run-script" "$KZ_ARCH" "$tmp/room.vbs" || exit 1
echo "disk-full: all checks passed"
