#!/usr/bin/env bash
# Adds deb-src entries that mirror the machine's existing Debian binary entries.
# Nothing is invented: every address and suite is copied from the apt sources
# already configured on this machine. Idempotent.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

OUT=/etc/apt/sources.list.d/murivane-deb-src.sources
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT

# deb822 files: copy every stanza of Types: deb as Types: deb-src.
for f in /etc/apt/sources.list.d/*.sources; do
  [ -e "$f" ] || continue
  [ "$f" = "$OUT" ] && continue
  awk '
    BEGIN { RS=""; FS="\n" }
    {
      isdeb=0; hassrc=0; isdebian=0
      for (i=1;i<=NF;i++) {
        if ($i ~ /^Types:/) { if ($i ~ /[ \t]deb([ \t]|$)/) isdeb=1; if ($i ~ /deb-src/) hassrc=1 }
        if ($i ~ /^URIs:/ && $i ~ /debian/) isdebian=1
      }
      if (isdeb && !hassrc && isdebian) {
        for (i=1;i<=NF;i++) {
          line=$i
          if (line ~ /^#/) continue
          if (line ~ /^Types:/) line="Types: deb-src"
          if (line ~ /^Architectures:/) continue
          print line
        }
        print ""
      }
    }' "$f" >>"$tmp"
done
# One-line format: deb -> deb-src.
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -e "$f" ] || continue
  [ "$f" = /etc/apt/sources.list.d/murivane-deb-src.list ] && continue
  # Only Debian archives carry the source packages we need.
  { grep -E '^[[:space:]]*deb[[:space:]]' "$f" || true; } | grep -i debian \
    | sed -E 's/^[[:space:]]*deb[[:space:]]+(\[[^]]*\][[:space:]]+)?/deb-src /' >>"$tmp.list" || true
done

if [ -s "$tmp" ]; then
  if ! [ -f "$OUT" ] || ! cmp -s "$tmp" "$OUT"; then
    $SUDO cp "$tmp" "$OUT"
    $SUDO chmod 644 "$OUT"
    touch /tmp/.murivane-src-added
  fi
fi
if [ -s "$tmp.list" ]; then
  LOUT=/etc/apt/sources.list.d/murivane-deb-src.list
  sort -u "$tmp.list" >"$tmp.list2"
  if ! [ -f "$LOUT" ] || ! cmp -s "$tmp.list2" "$LOUT"; then
    $SUDO cp "$tmp.list2" "$LOUT"; $SUDO chmod 644 "$LOUT"
    touch /tmp/.murivane-src-added
  fi
  rm -f "$tmp.list2"
fi
rm -f "$tmp.list"
