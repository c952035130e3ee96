#!/usr/bin/env bash
# Checks Mardune's desktop files as the desktop and the software centres
# read them: the entry (desktop-file-validate), the AppStream metainfo
# (appstreamcli, offline), the file type (update-mime-database must map
# *.rfc to it) and the bitmap icons (PNGs of the size their folder names).
#   validate-desktop-files.sh ENTRY METAINFO MIME_XML ICON_PNG...
set -euo pipefail
entry=$1 metainfo=$2 mime=$3
shift 3

for tool in desktop-file-validate appstreamcli update-mime-database; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-packages installs it)" >&2; exit 1; }
done

# Hints too (more than one main category, say): the entry is clean or fails.
findings=$(desktop-file-validate "$entry" 2>&1) || { echo "$findings" >&2; exit 1; }
[ -z "$findings" ] || { echo "desktop-file-validate: $findings" >&2; exit 1; }
appstreamcli validate --no-net --explain "$metainfo"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/mime/packages"
cp "$mime" "$work/mime/packages/"
XDG_DATA_DIRS="$work:${XDG_DATA_DIRS:-/usr/share}" update-mime-database "$work/mime"
type=$(sed -n 's/^MimeType=\([^;]*\);.*/\1/p' "$entry")
grep -qx "50:$type:\*\.rfc" "$work/mime/globs2" || { echo "*.rfc is not $type in the MIME database" >&2; exit 1; }

for png in "$@"; do
  size=$(basename "$(dirname "$png")")
  # The PNG header: width and height as 4-byte big-endian numbers at 16 and 20.
  read -r width height < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$width" = "$size" ] && [ "$height" = "$size" ] || { echo "$png is ${width}x${height}, not ${size}x${size}" >&2; exit 1; }
done
echo "desktop entry, metainfo, file type and ${#} icons are valid"
