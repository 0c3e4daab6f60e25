#!/usr/bin/env bash
# Desktop.ini on a full disk: ChangeFolderIcon raises and WriteINI says False, and the file
# keeps every byte; with room again the same call keeps the file's other sections. The full
# disk is a tmpfs of 256 KB, which takes the right to mount: without it the test is skipped
# (status 77).
KZ_ARCH="${1:?architecture}"
. "$(dirname "$0")/../../tools/env.sh"
mnt="$(mktemp -d)"; tmp="$(mktemp -d)"
if ! mount -t tmpfs -o size=256k kzt-desktopini-full "$mnt" 2>"$tmp/mount.err"; then
  echo "SKIP: cannot mount a small file system here: $(cat "$tmp/mount.err")"; rm -rf "$mnt" "$tmp"; exit 77
fi
trap 'umount "$mnt"; rmdir "$mnt"; rm -rf "$tmp"' EXIT
mkdir "$mnt/folder"
{ printf '[.ShellClassInfo]\r\nIconFile=old.ico\r\nIconIndex=1\r\n'
  for i in $(seq 1 30); do printf '[Other%02d]\r\n' "$i"; for k in $(seq 1 10); do printf 'key%02d=text of the entry %02d\r\n' "$k" "$k"; done; done
  printf '[Last]\r\nmarker=kept\r\n'; } > "$mnt/folder/Desktop.ini"
cp "$mnt/folder/Desktop.ini" "$tmp/original.ini"
dd if=/dev/zero of="$mnt/filler" bs=1024 >/dev/null 2>&1  # fills the disk up
folder="$(winepath -w "$mnt/folder")"
cat > "$tmp/full.vbs" <<VBS
' checks: 3
Dim d : Set d = CreateObject("Kelzud10.clsKelzudFolderDesktopINIA")
On Error Resume Next
d.ChangeFolderIcon "$folder", "new.ico", "2", String(3000, "t")
KeepError : On Error GoTo 0
CheckError 61, "", "ChangeFolderIcon on a full disk"
CheckEqual d.WriteINI("Last", "big", String(3000, "x"), "$folder\Desktop.ini"), False, "WriteINI on a full disk"
CheckEqual d.ReadINI("Last", "marker", "$folder\Desktop.ini"), "kept", "the last section after the failed writes"
Finish
VBS
"$KZ_ROOT/tools/run-script" "$KZ_ARCH" "$tmp/full.vbs" || exit 1
cmp -s "$mnt/folder/Desktop.ini" "$tmp/original.ini" || { echo "FAIL: Desktop.ini changed on a full disk"; exit 1; }
ls -a "$mnt/folder" | grep -q '^~kz' && { echo "FAIL: a working copy was left behind: $(ls -a "$mnt/folder")"; exit 1; }
rm -f "$mnt/filler"
cat > "$tmp/room.vbs" <<VBS
' checks: 4
Dim d : Set d = CreateObject("Kelzud10.clsKelzudFolderDesktopINIA")
d.ChangeFolderIcon "$folder", "new.ico", "2", "Tip"
CheckEqual d.ReadINI(".ShellClassInfo", "IconFile", "$folder\Desktop.ini"), "new.ico", "the icon with room"
CheckEqual d.ReadINI("Last", "marker", "$folder\Desktop.ini"), "kept", "the last section kept"
CheckEqual d.ReadINI("Other30", "key10", "$folder\Desktop.ini"), "text of the entry 10", "a section before it kept"
CheckEqual d.WriteINI("Last", "big", "x", "$folder\Desktop.ini"), True, "WriteINI with room"
Finish
VBS
"$KZ_ROOT/tools/run-script" "$KZ_ARCH" "$tmp/room.vbs" || exit 1
echo "desktopini disk-full: all checks passed"
