#!/usr/bin/env bash
# Installs the Debian packages that the named jobs need (scripts/packages.txt)
# and are missing, as root or through sudo.
#   bash scripts/install_packages.sh JOB...
set -euo pipefail
list=$(dirname "${BASH_SOURCE[0]}")/packages.txt
(($#)) || { echo "usage: $0 JOB... (the jobs of $list)" >&2; exit 2; }
known=$(awk '!/^#/ && NF { for (i = 2; i <= NF; i++) print $i }' "$list" | sort -u)
for job in "$@"; do
  grep -qxF -- "$job" <<<"$known" || { echo "$0: no job $job in $list" >&2; exit 2; }
done
mapfile -t packages < <(awk -v jobs=" $* " '!/^#/ && NF {
  for (i = 2; i <= NF; i++) if (index(jobs, " " $i " ")) { print $1; break } }' "$list")

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
((${#missing[@]})) || exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
