#!/usr/bin/python3
"""Sizes a list of control valve duties from a CSV file and writes Kv, the
flow state and the messages of each to another CSV file.

    python3 size_duties.py duties.csv sized.csv

The first column is the tag number; every other column is an item of the
control valve module ("valve") with its text as on the command line, a
unit after the number ("6.8 bar(a)") or none for the default unit. Empty
cells are left as they are. A duty with bad input gets the error in its
messages column and no Kv; the others are sized all the same.
"""
import csv
import sys

import torvacalc


def size(row):
    entries = {name: text for name, text in row.items() if name != "tag" and text.strip()}
    try:
        r = torvacalc.module("valve", **entries)
    except torvacalc.Error as e:
        return {"kv": "", "unit": "", "flow_state": "", "messages": f"error: {e}"}
    kv = r["kv"]
    return {
        "kv": "" if kv.value is None else f"{kv.value:.4g}",
        "unit": kv.unit,
        "flow_state": r["FlowState"].value,
        # each message once, though it may be shown at several items
        "messages": "; ".join(dict.fromkeys(f"{m.no} {m.text}" for m in r.messages)),
    }


def main(source, target):
    with open(source, newline="", encoding="utf-8") as f:
        duties = list(csv.DictReader(f))
    with open(target, "w", newline="", encoding="utf-8") as f:
        out = csv.DictWriter(f, fieldnames=["tag", "kv", "unit", "flow_state", "messages"])
        out.writeheader()
        for row in duties:
            result = size(row)
            out.writerow({"tag": row["tag"], **result})
            print(f"{row['tag']:8} {result['kv']:>8} {result['unit']:5} {result['flow_state']}")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
