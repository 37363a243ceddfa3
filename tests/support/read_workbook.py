#!/usr/bin/env python3
"""Reads a workbook back with openpyxl (not our writer) and prints what the tests check as JSON."""
import datetime
import json
import sys

import openpyxl


def cell_entry(cell):
    value = cell.value
    if isinstance(value, datetime.datetime):
        kind, value = "d", value.isoformat()
    elif isinstance(value, bool):
        kind = "b"
    elif isinstance(value, (int, float)):
        kind = "n"
    elif isinstance(value, str) and cell.data_type == "f":
        kind = "f"
    else:
        kind = "s"
    return {
        "t": kind,
        "v": value,
        "bold": bool(cell.font.b),
        "size": cell.font.sz,
        "wrap": bool(cell.alignment.wrap_text),
        "centre": cell.alignment.horizontal == "center",
        "fmt": cell.number_format,
    }


def print_entry(sheet):
    """How the sheet prints, in one line: orientation, pages wide x high, rows repeated, header, footer."""
    setup = sheet.page_setup
    fitting = sheet.sheet_properties.pageSetUpPr
    pages = [1 if count is None else count for count in (setup.fitToWidth, setup.fitToHeight)]  # 1 when absent
    fit = f"{pages[0]}x{pages[1]}" if fitting and fitting.fitToPage else "no fit"
    return "|".join(
        str(part)
        for part in (setup.orientation, fit, sheet.print_title_rows, sheet.oddHeader.center.text,
                     sheet.oddFooter.center.text)
    )


def sheet_entry(sheet, book):
    entry = {"state": sheet.sheet_state, "cells": {}, "merges": sorted(str(r) for r in sheet.merged_cells.ranges)}
    if hasattr(sheet, "iter_rows"):
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is not None or cell.font.b or cell.alignment.wrap_text:
                    entry["cells"][cell.coordinate] = cell_entry(cell)
        entry["widths"] = {
            key: {"min": dim.min, "max": dim.max, "width": dim.width, "custom": bool(dim.customWidth)}
            for key, dim in sheet.column_dimensions.items()
        }
        entry["default_width"] = sheet.sheet_format.defaultColWidth
        entry["charts"] = len(getattr(sheet, "_charts", []))
        entry["selected"] = bool(sheet.sheet_view.tabSelected)
        entry["print"] = print_entry(sheet)
    return entry


def main():
    book = openpyxl.load_workbook(sys.argv[1])
    result = {
        "sheets": book.sheetnames,
        "active": book.active.title,
        "full_calc": bool(book.calculation.fullCalcOnLoad),
        "sheet": {sheet.title: sheet_entry(sheet, book) for sheet in book.worksheets},
    }
    json.dump(result, sys.stdout)


main()
