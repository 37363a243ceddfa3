#!/usr/bin/env python3
"""Opens nax-report's workbooks with LibreOffice Calc (headless) and checks that they load and that
the glance sheet's formulas show the figures the report grids add up to.

usage: libreoffice_check.py SOFFICE NAX_SIMULATE NAX_REPORT WORKDIR"""
import csv
import os
import shutil
import subprocess
import sys

soffice, simulate, report, work = sys.argv[1:5]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
db = os.path.join(work, "db1.sqlite")
subprocess.run([simulate, "--out", db, "--days", "3", "--end", "2026-12-05 00:00", "--seed", "3"],
               check=True, stdout=subprocess.DEVNULL)
failures = []


def nax_report(name, start, end, *extra):
    subprocess.run([report, name, "--data-dir", work, "--from", start, "--to", end, *extra], check=True)


def report_set(name, start, end, stem, *extra, detail=True):
    """The report as a workbook and as text grids: (header, rows, detail header, detail rows, sheets)."""
    path = os.path.join(work, stem)
    nax_report(name, start, end, *extra, "--format", "xlsx", "--out", path + ".xlsx")
    nax_report(name, start, end, *extra, "--out", path + ".tsv")
    if detail:
        nax_report(name, start, end, *extra, "--grid", "detail", "--out", path + "-detail.tsv")
    return (*grid(path + ".tsv"), *(grid(path + "-detail.tsv") if detail else (None, None)),
            sheets_as_csv(path + ".xlsx"))


def grid(path):
    with open(path, newline="", encoding="utf-8") as tsv:
        rows = [line.rstrip("\n").split("\t") for line in tsv]
    return rows[0], rows[1:]


def number(text):
    try:
        return float(text)
    except ValueError:
        return 0.0


def column(header, rows, name):
    index = header.index(name)
    return [number(row[index]) for row in rows]


def sheets_as_csv(xlsx):
    """Every sheet of the workbook as LibreOffice computes it: {sheet name: rows}."""
    out = os.path.join(work, "csv")
    shutil.rmtree(out, ignore_errors=True)
    subprocess.run([soffice, "-env:UserInstallation=file://" + os.path.join(work, "profile"), "--headless",
                    "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1",
                    "--outdir", out, xlsx], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    stem = os.path.splitext(os.path.basename(xlsx))[0]
    sheets = {}
    for name in os.listdir(out):
        with open(os.path.join(out, name), newline="", encoding="utf-8") as f:
            sheets[name[len(stem) + 1:-4]] = list(csv.reader(f))
    if not sheets:
        failures.append(xlsx + ": LibreOffice could not load it")
    return sheets


def glance(sheet):
    """Figure name -> the values of its line."""
    return {row[0]: [number(v) if v != "" else None for v in row[1:]] for row in sheet[5:] if row and row[0]}


def expect(what, shown, wanted):
    if shown != wanted if None in (shown, wanted) else abs(shown - wanted) > 1e-6 * max(1.0, abs(wanted)):
        failures.append(f"{what}: LibreOffice shows {shown}, the grids give {wanted}")


def ratio(earned, base):
    return earned / base * 100 if base else None


CATEGORIES = ["Lack of Sales", "Equipment Loss", "Planned Loss", "Operational Loss", "Minor Stoppage", "QA Loss"]

# The daily Print workbook.
header, rows, dheader, drows, sheets = report_set("dms-daily", "2026-12-02 00:00", "2026-12-05 00:00", "daily")
if sheets:
    if sheets["Daily DMS"][3][:len(header)] != header or len(sheets["Daily DMS"]) != 4 + len(rows):
        failures.append("daily: the run grid is not in the first sheet from row 4")
    figures = glance(sheets["RawData"])
    total = {name: sum(column(header, rows, name)) for name in header if name not in ("Run No",)}
    expect("daily runs", figures["Runs"][0], len(rows))
    expect("daily cases", figures["Production (cases)"][0], total["Production"])
    expect("daily bottles", figures["Production (bottles)"][0],
           sum(p * c for p, c in zip(column(header, rows, "Production"), column(header, rows, "caseCount"))))
    for name in CATEGORIES + ["Speed Loss", "Lost Time", "Production Time", "Earned Time"]:
        expect("daily " + name, figures[name][0], total[name])
    expect("daily ME", figures["ME (%)"][0],
           ratio(total["Earned Time"], total["Production Time"] - total["Lack of Sales"] - total["Planned Loss"]))
    expect("daily NAX", figures["NAX (%)"][0],
           ratio(total["Earned Time"], total["Production Time"] - total["Lack of Sales"]))
    expect("daily runs over 85", figures["Runs over 85"][0], sum(column(header, rows, ">85")))
    expect("daily downtime events", figures["Downtime events"][0], len(drows))
    expect("daily downtime minutes", figures["Downtime minutes"][0], sum(column(dheader, drows, "TimeLost")))
    print(f"daily: {len(rows)} runs, {len(drows)} events; ME {figures['ME (%)'][0]:.2f} NAX {figures['NAX (%)'][0]:.2f}")

# The shift-wise Print workbook, per shift.
header, rows, dheader, drows, sheets = report_set("dms-shift", "2026-12-04 00:00", "2026-12-05 00:00", "hour")
if sheets:
    figures = glance(sheets["RawData"])
    shift = header.index("Shift")
    for at, letter in enumerate([None, "A", "B", "C"]):
        chosen = [r for r in rows if letter is None or r[shift] == letter]
        total = {name: sum(column(header, chosen, name)) for name in header}
        hours = len(chosen)
        what = "hour " + (letter or "all")
        expect(what + " hours", figures["Hours"][at], hours)
        expect(what + " cases", figures["Production (cases)"][at], total["Production"])
        for name in CATEGORIES + ["Speed Loss", "Lost Time", "Earned Time"]:
            expect(what + " " + name, figures[name][at], total[name])
        expect(what + " ME", figures["ME (%)"][at],
               ratio(total["Earned Time"], hours * 60 - total["Lack of Sales"] - total["Planned Loss"]))
        expect(what + " NAX", figures["NAX (%)"][at], ratio(total["Earned Time"], hours * 60 - total["Lack of Sales"]))
        expect(what + " hours over 85", figures["Hours over 85"][at],
               sum(1 for me in column(header, chosen, "ME") if me > 85))
    print(f"shift-wise: {len(rows)} hours, {len(drows)} events; ME A/B/C " +
          " ".join(f"{v:.2f}" if v is not None else "-" for v in figures["ME (%)"][1:]))

# A new workbook of Ctrl+E loads with its rows.
header, rows, _, _, sheets = report_set("downtime-list", "2026-12-04 00:00", "2026-12-05 00:00", "list",
                                        "--minor-stops", detail=False)
if sheets:
    sheet = next(iter(sheets.values()))
    if sheet[3][:len(header)] != header or len(sheet) != 5 + len(rows):
        failures.append("list: the grid is not in rows 4 and 6 on")
    print(f"list: {len(rows)} rows")

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
