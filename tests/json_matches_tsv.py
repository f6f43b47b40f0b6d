#!/usr/bin/env python3
"""Reads tallyfold-report's JSON output with Python's own parser and checks it against the TSV
output of the same run: the same rows in the same order, the same numbers, the same percentage
texts, and names that differ only by the documented UTF-8 repair.

Usage: json_matches_tsv.py TALLYFOLD_REPORT EXAMPLES_DIR
"""
import codecs
import json
import re
import subprocess
import sys
from pathlib import Path

REPORT_FIELDS = ["object", "rom", "ram", "rom_percent", "ram_percent"]
DIFF_FIELDS = ["object", "status", "old_rom", "new_rom", "rom_change", "old_ram", "new_ram",
               "ram_change", "new_rom_percent", "new_ram_percent"]
TEXT_FIELDS = {"object", "status"}
# --sections all: an "other" size after "ram", and the reconciliation after "total".
ALL_FIELDS = ["object", "rom", "ram", "other", "rom_percent", "ram_percent"]
ALL_DIFF_FIELDS = ["object", "status", "old_rom", "new_rom", "rom_change", "old_ram", "new_ram",
                   "ram_change", "old_other", "new_other", "other_change", "new_rom_percent",
                   "new_ram_percent"]


def latin1_for_invalid(error):
    # Every byte of an ill-formed UTF-8 sequence stands for the character of the same value.
    bad = error.object[error.start:error.end]
    return "".join(chr(b) for b in bad), error.end


codecs.register_error("tallyfold-latin1", latin1_for_invalid)


def run(tool, args):
    result = subprocess.run([tool] + args, capture_output=True, check=False)
    # 3: --sections all printed the report but found it disagrees with the map's own totals.
    allowed = (0, 3) if "all" in args or "auto" in args else (0,)
    if result.returncode not in allowed:
        raise AssertionError(f"{args}: exit status {result.returncode}: {result.stderr!r}")
    return result.stdout


def check_reconciliation(checks, args):
    assert list(checks) == ["total_section", "occupancy"], args
    for name, sizes in (("total_section", ["rom", "ram", "other"]), ("occupancy", ["rom", "ram"])):
        if checks[name] is None:
            continue
        assert list(checks[name]) == sizes + ["agrees"], (args, name)
        assert all(isinstance(checks[name][size], int) for size in sizes), (args, name)
        assert isinstance(checks[name]["agrees"], bool), (args, name)


def check(tool, args, fields, header):
    raw_json = run(tool, args + ["--format", "json"])
    document = json.loads(raw_json.decode("utf-8"))  # strict: fails on invalid UTF-8
    lines = run(tool, args + ["--format", "tsv"]).split(b"\n")
    assert lines[-1] == b"", "TSV must end with a line break"
    rows = [line.split(b"\t") for line in lines[:-1]]
    assert len(rows) >= 2, args
    *objects, blank, total = rows
    assert blank == [b""] * len(fields), (args, blank)

    assert document["format_version"] == 1, args
    for key, value in header.items():
        assert document[key] == value, (args, key, document[key])
    # The device, then who named it, where its capacities came from, and the capacities.
    names = list(document)
    at = names.index("device")
    assert names[at:at + 5] == ["device", "device_source", "capacities_source", "rom_capacity",
                                "ram_capacity"], (args, names)
    for capacity in ("rom_capacity", "ram_capacity"):
        assert document[capacity] is None or isinstance(document[capacity], int), (args, capacity)
    if "all" in args or "auto" in args:
        assert list(document)[-3:] == ["rows", "total", "reconciliation"], args
        reconciliation = document["reconciliation"]
        if "--diff" in args:
            assert list(reconciliation) == ["old", "new"], args
            for side in reconciliation.values():
                check_reconciliation(side, args)
        else:
            check_reconciliation(reconciliation, args)
    else:
        assert list(document)[-2:] == ["rows", "total"], args
    assert len(document["rows"]) == len(objects), args

    # JSON rows always carry the other bytes; under the listed rule they are 0 and the TSV has
    # no column for them.
    json_fields = ALL_FIELDS if fields == REPORT_FIELDS else (
        ALL_DIFF_FIELDS if fields == DIFF_FIELDS else fields)
    listed = fields in (REPORT_FIELDS, DIFF_FIELDS)
    assert document["sections"] == ("listed" if listed else "all"), args

    def compare(json_row, tsv_cells, names):
        assert list(json_row) == names, (args, list(json_row))
        cells = dict(zip(fields, tsv_cells))
        for name in names:
            if name not in cells:
                assert json_row[name] == 0, (args, name)
                continue
            value, cell = json_row[name], cells[name]
            if name in TEXT_FIELDS:
                assert value == cell.decode("utf-8", "tallyfold-latin1"), (args, value, cell)
            elif name.endswith("_percent"):
                assert isinstance(value, str) and value == cell.decode("ascii"), (args, name)
            else:
                assert isinstance(value, int) and value == int(cell), (args, name, value, cell)

    for json_row, tsv_cells in zip(document["rows"], objects):
        assert len(tsv_cells) == len(fields), (args, tsv_cells)
        compare(json_row, tsv_cells, json_fields)
    assert total[0] == b"-- Total --", args
    compare(document["total"], total, [f for f in json_fields if f not in TEXT_FIELDS])
    return len(objects)


def named_device(path):
    """What the report says of the device of a map by default: the part it names, if any."""
    named = re.search(rb"Machine type is (\S+)", Path(path).read_bytes())
    if named is None:
        return {"device": "18F4680", "device_source": "default"}
    return {"device": named.group(1).decode("ascii"), "device_source": "map"}


def main():
    tool, examples = sys.argv[1], Path(sys.argv[2])
    # MPLINK-family maps (mplink-*) are checked by mplink_map_test.cpp until the report reads them.
    maps = sorted(str(path) for path in examples.glob("*.map")
                  if not path.name.startswith("mplink-"))
    assert len(maps) >= 4, maps
    checked = 0
    fixed = {"18F4680": (65536, 3328), "18F458": (32768, 1536)}
    for device, (rom, ram) in fixed.items():
        for sort in ["rom", "ram"]:
            options = ["--sections", "listed", "--device", device, "--sort", sort]
            chosen = {"device": device, "device_source": "chosen",
                      "capacities_source": "parts-table", "rom_capacity": rom,
                      "ram_capacity": ram}
            for path in maps:
                checked += check(tool, options + [path], REPORT_FIELDS, {"file": path, **chosen})
            for old, new in zip(maps, maps[1:] + maps[:1]):
                checked += check(tool, options + ["--diff", old, new], DIFF_FIELDS,
                                 {"old": old, "new": new, **chosen})
    for path in maps:
        for rule in ["all", "auto"]:
            if rule == "auto" and b"\nTOTAL" not in Path(path).read_bytes():
                continue
            checked += check(tool, ["--sections", rule, path], ALL_FIELDS,
                             {"file": path, **named_device(path)})
    for old, new in zip(maps, maps[1:] + maps[:1]):
        checked += check(tool, ["--sections", "all", "--sort", "ram", "--diff", old, new],
                         ALL_DIFF_FIELDS, {"old": old, "new": new, **named_device(new)})
    print(f"{checked} rows agree")


if __name__ == "__main__":
    main()
