#!/usr/bin/env bash
# Benchmarks on a year of simulated plant data: each nax-report report beside the time the
# sqlite3 shell needs for the bare query it stands on (the floor) and the longest wait and
# failed commits of a stand-in data collector committing every 50 ms meanwhile; then the
# big-grid window.
set -euo pipefail
BUILD=${1:-build}
BIN=$BUILD/bin
DATA=$BUILD/bench-data
DB=$DATA/db1.sqlite
BARE=$DATA/bare.sqlite # the same year without our indexes, as another program would leave it
mkdir -p "$DATA"
END="2026-12-01 00:00"
if [ ! -f "$DB" ]; then
  echo "Simulating 365 days ..."
  /usr/bin/time -f "  simulated in %e s, peak %M KB" "$BIN/nax-simulate" --out "$DB" --days 365 --end "$END" --seed 7
  "$BIN/nax-simulate" --out "$BARE" --days 365 --end "$END" --seed 7 --no-indexes >/dev/null
fi

# serial of a "YYYY-MM-DD HH:MM" text (days since 30 Dec 1899)
serial() { echo "$(( ($(date -u -d "$1" +%s) + 2209161600) ))" | awk '{printf "%.10f", $1/86400}'; }

floor_time() { # db sql -> seconds the sqlite3 shell takes
  local start end
  start=$(date +%s.%N)
  sqlite3 "$1" "$2" >/dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN{printf "%.3f", b-a}'
}

report() { # name db from to floor-sql [extra args]
  local name=$1 db=$2 from=$3 to=$4 floor=$5
  shift 5
  local out=$DATA/$name.tsv stats rows collector waits
  # The stand-in collector commits a row every 50 ms while the report runs.
  waits=$DATA/collector.txt
  "$BIN/stand_in_collector" "$db" >"$waits" 2>&1 &
  collector=$!
  sleep 0.3
  stats=$( { /usr/bin/time -f "%e %M" "$BIN/nax-report" "$name" --db "$db" --from "$from" --to "$to" "$@" --out "$out"; } 2>&1 | tail -1)
  sleep 0.3
  kill -INT "$collector"
  wait "$collector" || true
  rows=$(( $(wc -l <"$out") - 1 ))
  printf "%-14s %-8s rows %7d  wall %6ss  peak %7s KB  floor %6ss  %s\n" "$name" "$(basename "$db" .sqlite)" "$rows" \
    "${stats% *}" "${stats#* }" "$(floor_time "$db" "$floor")" "$(sed -n 's/^collector: //p' "$waits")"
}

FROM="2025-12-01 00:00"
S=$(serial "$FROM"); E=$(serial "$END")
SHIFT_FROM="2026-11-24 00:00"
SS=$(serial "$SHIFT_FROM")

LIST_FLOOR="SELECT Tag_Master.TagName,Run_no,Shift,Pack,Flavor,DT_Start,DT_End,Time_Lost*60*24,Asset,Component,Loss_Structure,Failure,A_Operator,Executive,Remarks,Other1,Other2,Dt_ID FROM Tag_Master INNER JOIN TimeLost ON Tag_Master.Tag_ID = TimeLost.Tag_ID where TimeLost.DT_Start between $S and $E order by DT_Start"
LOSSES="sum(iif(trim(Loss_Structure)='Lack of Sales',Time_Lost,0))*1440, sum(iif(trim(Loss_Structure) in ('Equipment Loss',''),Time_Lost,0))*1440, sum(iif(trim(Loss_Structure)='Planned Loss',Time_Lost,0))*1440, sum(iif(trim(Loss_Structure)='Operational Loss',Time_Lost,0))*1440, sum(iif(trim(Loss_Structure)='Minor Stoppage',Time_Lost,0))*1440, sum(iif(trim(Loss_Structure)='QA Loss',Time_Lost,0))*1440"
DAILY_FLOOR="with p as (select Run_ID, sum(Production) s from opc group by Run_ID), l as (select Run_no, $LOSSES from TimeLost group by Run_no) select r.Run_ID, p.s, l.* from Run_master r left join p on p.Run_ID = r.Run_ID left join l on l.Run_no = r.Run_ID where r.Start_Time >= $S and r.End_Time > 0 and r.End_Time <= $E"
SHIFT_FLOOR="with p as (select cast(Timestamp*24 as int) hr, Run_ID, sum(Production) s from opc where Timestamp between $SS and $E group by hr, Run_ID), l as (select cast(DT_Start*24 as int) hr, Run_no, $LOSSES from TimeLost where DT_Start between $SS and $E group by hr, Run_no) select * from p left join l on l.hr = p.hr and l.Run_no = p.Run_ID"

# The production reports' floors: their listings without the dialect's functions and without our ordering.
RUN_SUMMARY_FLOOR="SELECT Run_master.Run_ID, Run_master.Start_Time, iif(Run_master.End_Time=0,julianday('now')-2415018.5,Run_master.End_Time), Pack_Master.Pack, Flavor_Master.Flavor, Run_master.CSpeed, Run_master.USpeed, Run_master.CaseCount, Sum(opc.Production) FROM (Flavor_Master INNER JOIN (Pack_Master INNER JOIN Run_master ON Pack_Master.Pack_ID = Run_master.Pack_ID) ON Flavor_Master.Flavor_Id = Run_master.Flavor_ID) INNER JOIN opc ON Run_master.Run_ID = opc.Run_ID where tag_id=1 and Run_master.Start_Time between $S and $E GROUP BY Run_master.Run_ID, Run_master.Start_Time, Run_master.End_Time, Pack_Master.Pack, Flavor_Master.Flavor, Run_master.CSpeed, Run_master.USpeed, Run_master.CaseCount"
PRODUCTION_FLOOR="SELECT opc.Timestamp, opc.Run_ID, Shift_ID,Pack_Master.Pack, Flavor_Master.Flavor, opc.Production, opc.UTimeLost, opc.CTimeLost FROM Flavor_Master INNER JOIN (Pack_Master INNER JOIN opc ON Pack_Master.Pack_ID = opc.Pack_ID) ON Flavor_Master.Flavor_Id = opc.Flavor_Id where Tag_id=1 and Timestamp between $S and $E"
# The analysis reports read the daily report's runs, then the events of those runs.
EVENTS_FLOOR="select r.Run_ID, count(t.Dt_ID), sum(t.Time_Lost)*1440, sum(iif(t.Loss_Structure is null or trim(t.Loss_Structure)='',t.Time_Lost,0))*1440 from Run_master r left join TimeLost t on t.Run_no = r.Run_ID where r.Start_Time >= $S and r.End_Time > 0 and r.End_Time <= $E group by r.Run_ID"
DOWNTIME_FLOOR="SELECT Tag_Master.TagName, Run_no,Pack,Flavor ,TimeLost.DT_Start, TimeLost.DT_End, ((TimeLost.Time_Lost)*60*24),Asset,Failure,A_Operator,Executive,Remarks,Other1,Other2 FROM Tag_Master INNER JOIN TimeLost ON Tag_Master.Tag_ID = TimeLost.Tag_ID where TimeLost.DT_Start between $S and $E"

echo "report         database rows     wall       peak memory     floor (sqlite3 shell)  stand-in collector"
for db in "$DB" "$BARE"; do
  report downtime-list "$db" "$FROM" "$END" "$LIST_FLOOR" --minor-stops
  report run-summary "$db" "$FROM" "$END" "$RUN_SUMMARY_FLOOR"
  report production "$db" "$FROM" "$END" "$PRODUCTION_FLOOR"
  report downtime "$db" "$FROM" "$END" "$DOWNTIME_FLOOR"
  report dms-daily "$db" "$FROM" "$END" "$DAILY_FLOOR"
  report dms-shift "$db" "$SHIFT_FROM" "$END" "$SHIFT_FLOOR"
  report loss-pareto "$db" "$FROM" "$END" "$DAILY_FLOOR"
  report asset-pareto "$db" "$FROM" "$END" "$EVENTS_FLOOR"
  report classification "$db" "$FROM" "$END" "$EVENTS_FLOOR"
done
for b in "$BUILD"/bench/*; do
  case "$(basename "$b")" in bench_reports_window | bench_collector | bench_analysis) continue ;; esac
  if [ -f "$b" ] && [ -x "$b" ]; then QT_QPA_PLATFORM=offscreen "$b"; fi
done
# The year's production report in the "Reports" window, once per database (peak memory per run).
for db in "$DB" "$BARE"; do
  QT_QPA_PLATFORM=offscreen "$BUILD/bench/bench_reports_window" "$db" "$S" "$E"
done
# The analysis window's tables over the year beside the daily DMS report of the same year.
for db in "$DB" "$BARE"; do
  "$BUILD/bench/bench_analysis" "$db" "$S" "$E"
done
# The year's exports to a workbook (nax-report --format xlsx) beside the floor: the same cells
# written from the report's tsv by libxlsxwriter alone in constant-memory mode; then the year's
# daily DMS "Print" workbook. "report" is the report alone, written as tsv. Ratios: the export's
# wall time over the floor's, the same for the processor time (user + system, steadier on a
# shared machine), and the export's wall time less the report's over the floor's (the writing).
timed() { # out-var command... -> "wall peak-KB cpu" of the command
  local -n into=$1
  shift
  into=$( { /usr/bin/time -f "%e %M %U %S" "$@" >/dev/null; } 2>&1 | tail -1 | awk '{printf "%s %s %.2f", $1, $2, $3 + $4}')
}
ratio() { awk -v a="$1" -v b="$2" -v less="${3:-0}" 'BEGIN{printf "%.2f", (b > 0 ? (a - less) / b : 0)}'; }
echo "workbook          rows   report   export    cpu        peak    floor    cpu        peak  ratio    cpu  writing"
for name in downtime-list production; do
  extra=()
  [ "$name" = downtime-list ] && extra=(--minor-stops)
  args=("$name" --db "$DB" --from "$FROM" --to "$END" "${extra[@]}")
  timed alone "$BIN/nax-report" "${args[@]}" --out "$DATA/$name-cells.tsv"
  timed export "$BIN/nax-report" "${args[@]}" --format xlsx --out "$DATA/$name.xlsx"
  timed floor "$BIN/xlsx_floor" "$DATA/$name-cells.tsv" "$DATA/$name-floor.xlsx" "$name $FROM to $END"
  read -r a_wall _ _ <<<"$alone"
  read -r e_wall e_peak e_cpu <<<"$export"
  read -r f_wall f_peak f_cpu <<<"$floor"
  printf "%-14s %7d  %6ss  %6ss %5ss  %7s KB  %6ss %5ss  %7s KB  %5s  %5s  %5s\n" "$name" \
    $(($(wc -l <"$DATA/$name-cells.tsv") - 1)) "$a_wall" "$e_wall" "$e_cpu" "$e_peak" "$f_wall" "$f_cpu" "$f_peak" \
    "$(ratio "$e_wall" "$f_wall")" "$(ratio "$e_cpu" "$f_cpu")" "$(ratio "$e_wall" "$f_wall" "$a_wall")"
done
# "Print" fills the data folder's DailyDMS.xlsx (the default one is installed there when missing).
daily=(dms-daily --db "$DB" --from "$FROM" --to "$END")
timed alone "$BIN/nax-report" "${daily[@]}" --out "$DATA/dms-daily-cells.tsv"
timed print env NAX_DATA_DIR="$DATA" "$BIN/nax-report" "${daily[@]}" --format xlsx --out "$DATA/dms-daily.xlsx"
read -r a_wall _ _ <<<"$alone"
read -r p_wall p_peak p_cpu <<<"$print"
printf "%-14s %7d  %6ss  %6ss %5ss  %7s KB  (Print of the year's daily DMS)\n" dms-daily \
  $(($(wc -l <"$DATA/dms-daily-cells.tsv") - 1)) "$a_wall" "$p_wall" "$p_cpu" "$p_peak"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
# The same year on a PostgreSQL server, and the server under load.
"$(dirname "$0")/run-server-bench.sh" "$BUILD"
