#!/usr/bin/env bash
# Times two runs of a planning script with hyperfine and fails if the second
# takes more than limit times the first. Sourced by the benchmarks:
#
#   ratio FILES LIMIT 'NAME A' 'COMMAND A' 'NAME B' 'COMMAND B' 'WHY'
#
# prints "FILES data files: NAME A x ms, NAME B y ms, ratio r", and exits
# with WHY when r is over LIMIT.
ratio() {
  hyperfine --style basic --warmup 2 --runs 10 --export-json run.json \
    --command-name="$3" "$4" --command-name="$5" "$6" >/dev/null
  python3 -c 'import json, sys
files, limit, a, b, why = sys.argv[2:]
r = json.load(open(sys.argv[1]))["results"]
ratio = r[1]["median"] / r[0]["median"]
print("%s data files: %s %.1f ms, %s %.1f ms, ratio %.2f" % (
    files, a, r[0]["median"] * 1000, b, r[1]["median"] * 1000, ratio))
sys.exit(0 if ratio <= float(limit) else why)' run.json "$1" "$2" "$3" "$5" "$7"
}
