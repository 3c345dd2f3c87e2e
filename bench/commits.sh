#!/usr/bin/env bash
# Builds romweld at each commit given, each in a worktree of its own with
# the release preset, and runs bench/run.sh on all of them, side by side: so
# that a change is measured against the release before it on one machine,
# in one session. Run by hand from the source tree:
#
#   bench/commits.sh REV [REV ...]          (as: bench/commits.sh 8bef0e6 HEAD)
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: bench/commits.sh REV [REV ...]" >&2; exit 2; }
source="$(git rev-parse --show-toplevel)"
work="$(mktemp -d)"
trap 'for tree in "$work"/*/; do git -C "$source" worktree remove --force "$tree" 2>/dev/null || true; done; rm -rf "$work"' EXIT
tools=()
for rev in "$@"; do
  tree="$work/$(git -C "$source" rev-parse --short "$rev")"
  git -C "$source" worktree add --detach --quiet "$tree" "$rev"
  (cd "$tree" && cmake --preset release >/dev/null && cmake --build build -j"$(nproc)" >/dev/null)
  tools+=("$tree/build/romweld")
  echo "$rev: $tree/build/romweld"
done
"$source/bench/run.sh" "${tools[@]}"
