#!/usr/bin/env bash
# Copying or moving onto a full disk fails (False) and leaves the target exactly as it was, and
# no partial or temporary file beside it; with room again the same copy succeeds. The full disk
# is a tmpfs of 256 KB, which takes the right to mount: without it the test is skipped (status 77).
KZ_ARCH="${1:?architecture}"
. "$(dirname "$0")/../../tools/env.sh"
mnt="$(mktemp -d)"; tmp="$(mktemp -d)"
if ! mount -t tmpfs -o size=256k kzt-fs-full "$mnt" 2>"$tmp/mount.err"; then
  echo "SKIP: cannot mount a small file system here: $(cat "$tmp/mount.err")"; rm -rf "$mnt" "$tmp"; exit 77
fi
trap 'umount "$mnt"; rmdir "$mnt"; rm -rf "$tmp"' EXIT
printf 'the old target\r\n' > "$mnt/old.txt"; cp "$mnt/old.txt" "$tmp/old.txt"
head -c 200000 /dev/urandom > "$tmp/big.bin"   # on another file system than the full one
dd if=/dev/zero of="$mnt/filler" bs=1024 >/dev/null 2>&1  # fills the disk up
src="$(winepath -w "$tmp/big.bin")"; old="$(winepath -w "$mnt/old.txt")"; new="$(winepath -w "$mnt/new.txt")"
cat > "$tmp/full.vbs" <<VBS
' checks: 6
Dim fs, s, t
Set fs = CreateObject("Kelzud10.clsKelzudFileSystemA")
s = "$src"
t = "$old"
CheckEqual fs.Copy_File(s, t), False, "a copy over a file on a full disk"
CheckEqual fs.Move_File(s, t), False, "a move over a file on a full disk"
t = "$new"
CheckEqual fs.Copy_File(s, t), False, "a copy to a new name on a full disk"
CheckEqual fs.Move_File(s, t), False, "a move to a new name on a full disk"
CheckEqual fs.FileExists(t), False, "nothing at the new name"
CheckEqual fs.FileExists(s), True, "the source of the failed move"
Finish
VBS
"$KZ_ROOT/tools/run-script" "$KZ_ARCH" "$tmp/full.vbs" || exit 1
cmp -s "$mnt/old.txt" "$tmp/old.txt" || { echo "FAIL: the target changed on a full disk"; exit 1; }
left="$(ls -A "$mnt" | grep -v -x -e old.txt -e filler)"
[ -z "$left" ] || { echo "FAIL: files left beside the target: $left"; exit 1; }
rm -f "$mnt/filler"
cat > "$tmp/room.vbs" <<VBS
' checks: 1
Dim fs, s, t
Set fs = CreateObject("Kelzud10.clsKelzudFileSystemA")
s = "$src"
t = "$old"
CheckEqual fs.Copy_File(s, t), True, "the same copy with room"
Finish
VBS
"$KZ_ROOT/tools/run-script" "$KZ_ARCH" "$tmp/room.vbs" || exit 1
cmp -s "$mnt/old.txt" "$tmp/big.bin" || { echo "FAIL: the copy made with room differs from its source"; exit 1; }
left="$(ls -A "$mnt" | grep -v -x -e old.txt)"
[ -z "$left" ] || { echo "FAIL: files left beside the target: $left"; exit 1; }
echo "fs disk-full: all checks passed"
