#!/usr/bin/env bash
# The year of bench data on a PostgreSQL server of our own beside the SQLite file: each report's
# time on both (outputs must be equal), then ten nax-report processes and the stand-in collector
# at once against the server. Skips when no server can be started here.
set -euo pipefail
BUILD=${1:-build}
BIN=$BUILD/bin
DATA=$BUILD/bench-data
DB=$DATA/db1.sqlite
END="2026-12-01 00:00"
FROM="2025-12-01 00:00"
SHIFT_FROM="2026-11-24 00:00"

PGBIN=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1 || true)
if [ -z "$PGBIN" ] || [ ! -x "$PGBIN/initdb" ]; then
  echo "server bench skipped: no PostgreSQL server installed"
  exit 0
fi
DIR=$(mktemp -d /tmp/nax-bench-pg.XXXXXX)
AS=()
if [ "$(id -u)" = 0 ]; then chown nobody "$DIR"; AS=(runuser -u nobody --); fi
chmod 711 "$DIR"
stop() {
  # Configured as the README advises for a server whose data sits on SSD or in memory.
(cd "$DIR" && "${AS[@]}" "$PGBIN/pg_ctl" -D "$DIR/data" -m fast -w stop >/dev/null 2>&1) || true
  rm -rf "$DIR"
}
trap stop EXIT
(cd "$DIR" && "${AS[@]}" "$PGBIN/initdb" -D "$DIR/data" --no-locale -E UTF8 -A trust -U nax >"$DIR/initdb.log" 2>&1)
# Configured as the README advises for a server whose data sits on SSD or in memory.
(cd "$DIR" && "${AS[@]}" "$PGBIN/pg_ctl" -D "$DIR/data" -l "$DIR/data/server.log" -w \
  -o "-k $DIR -c listen_addresses= -c shared_buffers=256MB -c work_mem=64MB -c random_page_cost=1.1" start >/dev/null)
"$PGBIN/createdb" -h "$DIR" -U nax plant
PG="host=$DIR dbname=plant user=nax"

mkdir -p "$DATA"
[ -f "$DB" ] || "$BIN/nax-simulate" --out "$DB" --days 365 --end "$END" --seed 7 >/dev/null
echo "Simulating the same 365 days on the server ..."
/usr/bin/time -f "  written in %e s, peak %M KB" "$BIN/nax-simulate" --out "$PG" --days 365 --end "$END" --seed 7 --replace

# The cells of a workbook: its sheets and shared texts, without the file's dates and zip layout.
cells() {
  python3 -c 'import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
for n in sorted(z.namelist()):
    if n.startswith("xl/worksheets/") or n == "xl/sharedStrings.xml": sys.stdout.buffer.write(z.read(n))' "$1"
}

# name format from to [extra] -> one line: SQLite and server wall time (the best of three runs
# taken in turn, so that both see the shared machine's load alike) and peak memory, equal outputs
compare() {
  local name=$1 format=$2 from=$3 to=$4
  shift 4
  local file=$DATA/$name.file.$format server=$DATA/$name.server.$format rows same t m k
  local -a dbs=("$DB" "$PG") outs=("$file" "$server") best=("" "") memory=(0 0)
  for _ in 1 2 3; do
    for k in 0 1; do
      read -r t m < <( { /usr/bin/time -f "%e %M" "$BIN/nax-report" "$name" --db "${dbs[$k]}" --from "$from" \
        --to "$to" --now "$END" "$@" --format "$format" --out "${outs[$k]}"; } 2>&1 | tail -1)
      if [ -z "${best[$k]}" ] || awk -v a="$t" -v b="${best[$k]}" 'BEGIN{exit !(a < b)}'; then best[$k]=$t; fi
      [ "$m" -gt "${memory[$k]}" ] && memory[$k]=$m
    done
  done
  local sa="${best[0]} ${memory[0]}" sb="${best[1]} ${memory[1]}" a b
  a=${sa% *}; b=${sb% *}
  if [ "$format" = xlsx ]; then
    rows=$(cells "$file" | grep -o '<row ' | wc -l)
    cmp -s <(cells "$file") <(cells "$server") && same=same || same=DIFFERENT
  else
    rows=$(( $(wc -l <"$file") - 1 ))
    cmp -s "$file" "$server" && same=same || same=DIFFERENT
  fi
  printf "%-19s rows %7d  sqlite %6ss %7s KB  server %6ss %7s KB  ratio %5s  %s\n" "$name $format" \
    "$rows" "$a" "${sa#* }" "$b" "${sb#* }" \
    "$(awk -v a="$a" -v b="$b" 'BEGIN{printf "%.2f", (a > 0 ? b / a : 0)}')" "$same"
}
echo "report              rows     SQLite file            PostgreSQL server      server/file"
compare downtime-list tsv "$FROM" "$END" --minor-stops
compare run-summary tsv "$FROM" "$END"
compare production tsv "$FROM" "$END"
compare downtime tsv "$FROM" "$END"
compare dms-daily tsv "$FROM" "$END"
compare dms-shift tsv "$SHIFT_FROM" "$END"
compare loss-pareto tsv "$FROM" "$END"
compare asset-pareto tsv "$FROM" "$END"
compare failure-pareto tsv "$FROM" "$END"
compare me-trend tsv "$FROM" "$END"
# Workbooks go to a data folder of the bench's own (the DMS workbook is a copy of its template).
export NAX_DATA_DIR=$DATA/data-folder
mkdir -p "$NAX_DATA_DIR"
compare downtime-list xlsx "$FROM" "$END" --minor-stops
compare dms-daily xlsx "$FROM" "$END"

echo "Ten nax-report processes and the stand-in collector at once on the server ..."
"$BUILD/bench/bench_collector" "$PG" 25 46722 >"$DATA/collector.txt" &
COLLECTOR=$!
sleep 1
START=$(date +%s.%N)
PIDS=()
REPORTS=(downtime-list run-summary production downtime dms-daily downtime-list run-summary production downtime dms-daily)
for i in "${!REPORTS[@]}"; do
  name=${REPORTS[$i]}
  extra=(); [ "$name" = downtime-list ] && extra=(--minor-stops)
  "$BIN/nax-report" "$name" --db "$PG" --from "$FROM" --to "$END" --now "$END" "${extra[@]}" --out "$DATA/load.$i.tsv" &
  PIDS+=($!)
done
FAILED=0
for pid in "${PIDS[@]}"; do wait "$pid" || FAILED=$((FAILED + 1)); done
STOP=$(date +%s.%N)
wait "$COLLECTOR" || echo "  the collector reported failures"
SAME=0
for i in "${!REPORTS[@]}"; do cmp -s "$DATA/load.$i.tsv" "$DATA/${REPORTS[$i]}.server.tsv" && SAME=$((SAME + 1)); done
printf "  10 reports done in %.1f s, %d failed, %d of 10 equal to the single runs\n" \
  "$(awk -v a="$START" -v b="$STOP" 'BEGIN{print b-a}')" "$FAILED" "$SAME"
sed 's/^/  /' "$DATA/collector.txt"
