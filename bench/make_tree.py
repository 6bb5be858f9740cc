#!/usr/bin/env python3
"""Writes a synthetic BDE project tree for timing replace runs.

Every unit pair is a data module (a TDatabase with its Params, then TQuery,
TTable, TStoredProc, TUpdateSQL, TBatchMove and TDataSource objects; queries
carry SQL lines, ParamData collections and field children) and a plain form
of labels. Every fifth data module form is written binary (through
`migwiz text2form`). With --depth D the datasets sit inside D-1 nested
containers. The output is the same for the same arguments.

    bench/make_tree.py OUT --size-mb 20 --migwiz build/apps/migwiz/migwiz
    bench/make_tree.py OUT --units 1 --datasets 8000 --no-forms ...
    bench/make_tree.py OUT --units 1000 --datasets 20 --project ...   # App.dpr too
"""
import argparse
import json
import os
import random
import subprocess
import sys
import tempfile

CRLF = "\r\n"


class Writer:
    def __init__(self):
        self.lines = []

    def add(self, level, text):
        self.lines.append("  " * level + text)

    def text(self):
        return CRLF.join(self.lines) + CRLF


def sql_lines(rng, n):
    cols = ", ".join("COL%d" % rng.randrange(100) for _ in range(rng.randint(2, 6)))
    out = ["select %s" % cols, "from TABLE_%d t" % rng.randrange(500)]
    for k in range(max(0, n - 2)):
        out.append("  and t.COL%d = :P%d" % (rng.randrange(100), k) if k else "where t.ID = :ID")
    return out


def quoted(s):
    return "'" + s.replace("'", "''") + "'"


def strings_prop(w, level, name, lines):
    w.add(level, "%s = (" % name)
    for i, line in enumerate(lines):
        w.add(level + 1, quoted(line) + (")" if i == len(lines) - 1 else ""))


def param_data(w, level, rng, n):
    w.add(level, "ParamData = <")
    for k in range(n):
        w.add(level + 1, "item")
        w.add(level + 2, "DataType = %s" % rng.choice(["ftInteger", "ftString", "ftDateTime", "ftFloat"]))
        w.add(level + 2, "Name = 'P%d'" % k)
        w.add(level + 2, "ParamType = ptInput")
        w.add(level + 1, "end" + (">" if k == n - 1 else ""))


FIELD_KINDS = [
    ("TStringField", lambda rng: ["Size = %d" % rng.choice([10, 20, 40, 80])]),
    ("TIntegerField", lambda rng: ["DisplayFormat = '#,##0'"]),
    ("TFloatField", lambda rng: ["Precision = %d" % rng.randint(5, 15), "MaxValue = 1.5E+6",
                                 "MinValue = -100.25"]),
    ("TDateTimeField", lambda rng: ["DisplayFormat = 'dd.mm.yyyy'"]),
    ("TCurrencyField", lambda rng: ["currency = True"]),
]


def fields(w, level, rng, owner, n):
    for k in range(n):
        cls, extra = FIELD_KINDS[rng.randrange(len(FIELD_KINDS))]
        w.add(level, "object %sF%d: %s" % (owner, k, cls))
        w.add(level + 1, "FieldName = 'F%d'" % k)
        if k % 3 == 0:
            w.add(level + 1, "DisplayLabel = 'Field' + #39'%d'#39" % k)
        if k % 4 == 1:
            w.add(level + 1, "DisplayLabel =")
            w.add(level + 2, "'A long label that goes on' +")
            w.add(level + 2, "' on the next line %d'" % k)
        for e in extra(rng):
            w.add(level + 1, e)
        w.add(level, "end")


def database(w, level, rng, unit):
    w.add(level, "object Database%d: TDatabase" % unit)
    w.add(level + 1, "AliasName = 'ALIAS_%d'" % unit)
    w.add(level + 1, "DatabaseName = 'DB_%d'" % unit)
    w.add(level + 1, "LoginPrompt = False")
    strings_prop(w, level + 1, "Params.Strings", [
        "SERVER NAME=db%d.example.com" % unit, "USER NAME=user%d" % unit,
        "PASSWORD=s3cr'et", "DATABASE NAME=sales%d" % unit, "BLOB SIZE=32"])
    w.add(level + 1, "SessionName = 'Default'")
    w.add(level + 1, "TransIsolation = %s" % rng.choice(["tiDirtyRead", "tiReadCommitted", "tiRepeatableRead"]))
    w.add(level + 1, "Left = 24")
    w.add(level + 1, "Top = 16")
    w.add(level, "end")


def dataset(w, level, rng, unit, k):
    kind = k % 6
    left, top = 24 + 96 * (k % 8), 72 + 56 * (k // 8)
    db = "DatabaseName = 'DB_%d'" % unit
    if kind in (0, 3):
        name = "qry%d_%d" % (unit, k)
        w.add(level, "object %s: TQuery" % name)
        w.add(level + 1, "CachedUpdates = True")
        w.add(level + 1, db)
        w.add(level + 1, "RequestLive = True")
        lines = sql_lines(rng, rng.randint(2, 12))
        strings_prop(w, level + 1, "SQL.Strings", lines)
        w.add(level + 1, "UpdateObject = upd%d_%d" % (unit, k + 1))
        w.add(level + 1, "Left = %d" % left)
        w.add(level + 1, "Top = %d" % top)
        param_data(w, level + 1, rng, rng.randint(1, 4))
        fields(w, level + 1, rng, name, rng.randint(2, 8))
    elif kind == 1:
        name = "upd%d_%d" % (unit, k)
        w.add(level, "object %s: TUpdateSQL" % name)
        strings_prop(w, level + 1, "ModifySQL.Strings", ["update T set A = :A", "where ID = :OLD_ID"])
        strings_prop(w, level + 1, "InsertSQL.Strings", ["insert into T (A)", "values (:A)"])
        strings_prop(w, level + 1, "DeleteSQL.Strings", ["delete from T where ID = :OLD_ID"])
        w.add(level + 1, "Left = %d" % left)
        w.add(level + 1, "Top = %d" % top)
    elif kind == 2:
        name = "tbl%d_%d" % (unit, k)
        w.add(level, "object %s: TTable" % name)
        w.add(level + 1, db)
        w.add(level + 1, "TableName = 'CUSTOMER_%d'" % k)
        w.add(level + 1, "IndexFieldNames = 'ID;NAME'")
        w.add(level + 1, "Filter = 'STATE = ' + #39'CA'#39#13#10")
        w.add(level + 1, "Tag = -%d" % (k + 1))
        w.add(level + 1, "Left = %d" % left)
        w.add(level + 1, "Top = %d" % top)
        w.add(level + 1, "FieldDefs = <")
        w.add(level + 2, "item")
        w.add(level + 3, "Name = 'ID'")
        w.add(level + 3, "DataType = ftInteger")
        w.add(level + 2, "end")
        w.add(level + 2, "item")
        w.add(level + 3, "Name = 'NAME'")
        w.add(level + 3, "Attributes = [faRequired, faFixed]")
        w.add(level + 3, "DataType = ftString")
        w.add(level + 3, "Size = 40")
        w.add(level + 2, "end>")
        w.add(level + 1, "StoreDefs = True")
        fields(w, level + 1, rng, name, rng.randint(1, 5))
    elif kind == 4:
        name = "sp%d_%d" % (unit, k)
        w.add(level, "object %s: TStoredProc" % name)
        w.add(level + 1, db)
        w.add(level + 1, "StoredProcName = 'PROC_%d'" % k)
        w.add(level + 1, "Left = %d" % left)
        w.add(level + 1, "Top = %d" % top)
        param_data(w, level + 1, rng, rng.randint(1, 5))
    else:
        name = "bm%d_%d" % (unit, k)
        w.add(level, "object %s: TBatchMove" % name)
        w.add(level + 1, "Destination = tbl%d_%d" % (unit, k - 3))
        w.add(level + 1, "Mode = batAppendUpdate")
        strings_prop(w, level + 1, "Mappings.Strings", ["ID=ID", "NAME=CUST_NAME"])
        w.add(level + 1, "Source = qry%d_%d" % (unit, k - 2))
        w.add(level + 1, "Left = %d" % left)
        w.add(level + 1, "Top = %d" % top)
        w.add(level, "end")
        w.add(level, "object ds%d_%d: TDataSource" % (unit, k))
        w.add(level + 1, "DataSet = qry%d_%d" % (unit, k - 2))
        w.add(level + 1, "Left = %d" % left)
        w.add(level + 1, "Top = %d" % (top + 24))
        w.add(level + 1, "Weights = (1 2 -3 4.5)")
        w.add(level + 1, "Glyph.Data = {")
        w.add(level + 2, "0A000000 424D3600 00000000 0000FFFF")
        w.add(level + 2, "00FF}")
    w.add(level, "end")
    return name


def data_module(rng, unit, n_datasets, depth):
    """The form text and the names of its BDE objects."""
    w = Writer()
    w.add(0, "object DM%d: TDM%d" % (unit, unit))
    w.add(1, "OldCreateOrder = False")
    w.add(1, "OnCreate = DataModuleCreate")
    w.add(1, "Left = 200")
    w.add(1, "Top = 120")
    w.add(1, "Height = 300")
    w.add(1, "Width = 420")
    database(w, 1, rng, unit)
    level = 1
    for d in range(depth - 1):
        w.add(level, "object Box%d_%d: TPanel" % (unit, d))
        w.add(level + 1, "Left = %d" % d)
        w.add(level + 1, "Align = alClient")
        level += 1
    names = ["Database%d" % unit]
    first = len(w.lines)
    bde_bytes = 0
    for k in range(n_datasets):
        names.append(dataset(w, level, rng, unit, k))
        bde_bytes += sum(len(x) + 2 for x in w.lines[first:])
        first = len(w.lines)
    for d in range(depth - 1):
        level -= 1
        w.add(level, "end")
    w.add(0, "end")
    return w.text(), names, bde_bytes


def plain_form(rng, unit, n_labels):
    w = Writer()
    w.add(0, "object Form%d: TForm%d" % (unit, unit))
    w.add(1, "Left = 192")
    w.add(1, "Top = 107")
    w.add(1, "Caption = 'Form %d'" % unit)
    w.add(1, "Font.Style = []")
    for k in range(n_labels):
        w.add(1, "object Label%d: TLabel" % k)
        w.add(2, "Left = %d" % (8 + 4 * k))
        w.add(2, "Top = %d" % (8 + 20 * k))
        w.add(2, "Width = %d" % rng.randint(30, 200))
        w.add(2, "Height = 13")
        w.add(2, "Caption = %s" % quoted("Label number %d of form %d" % (k, unit)))
        w.add(2, "Font.Style = [fsBold]")
        w.add(1, "end")
    w.add(0, "end")
    return w.text()


def unit_source(unit_name, cls, ancestor, fields_):
    decl = "".join("    %s: %s;%s" % (n, c, CRLF) for n, c in fields_)
    return CRLF.join([
        "unit %s;" % unit_name, "", "interface", "",
        "uses", "  SysUtils, Classes, DB, DBTables, Forms;", "",
        "type", "  %s = class(%s)" % (cls, ancestor), decl + "  end;", "",
        "var", "  %s: %s;" % (cls[1:], cls), "", "implementation", "",
        "{$R *.dfm}", "", "end.", ""])


BDE_CLASS = {"Database": "TDatabase", "qry": "TQuery", "tbl": "TTable", "sp": "TStoredProc",
             "upd": "TUpdateSQL", "bm": "TBatchMove"}


def class_of(name):
    for prefix, cls in BDE_CLASS.items():
        if name.startswith(prefix):
            return cls
    return "TComponent"


def write_binary(migwiz, path, text, resource):
    with tempfile.NamedTemporaryFile("wb", suffix=".txt", delete=False) as tmp:
        tmp.write(text.encode("cp1252"))
    try:
        subprocess.run([migwiz, "text2form", tmp.name, "-o", path, "--resource-name", resource],
                       check=True, stdout=subprocess.DEVNULL)
    finally:
        os.unlink(tmp.name)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("out")
    ap.add_argument("--size-mb", type=float, default=20.0, help="stop once the tree holds this much")
    ap.add_argument("--units", type=int, help="exactly this many unit pairs (overrides --size-mb)")
    ap.add_argument("--datasets", type=int, help="datasets per data module (default 10 to 40)")
    ap.add_argument("--depth", type=int, default=1, help="nesting level of the datasets (1: children of the module)")
    ap.add_argument("--no-forms", action="store_true", help="data modules only, no plain forms")
    ap.add_argument("--binary-every", type=int, default=5, help="every Nth data module form binary (0: none)")
    ap.add_argument("--migwiz", help="migwiz program for the binary forms")
    ap.add_argument("--units-per-folder", type=int, default=100, help="unit pairs per folder")
    ap.add_argument("--project", action="store_true",
                    help="also write App.dpr naming every data module (for a project run)")
    ap.add_argument("--seed", type=int, default=12)
    a = ap.parse_args()
    if a.binary_every and not a.migwiz:
        ap.error("--migwiz is needed for binary forms (or --binary-every 0)")
    rng = random.Random(a.seed)
    os.makedirs(a.out, exist_ok=True)
    total, converted_bytes, bde_objects, unit = 0, 0, 0, 0
    limit = a.size_mb * 1024 * 1024
    while (unit < a.units) if a.units is not None else (total < limit):
        unit += 1
        folder = os.path.join(a.out, "pkg%02d" % (unit // a.units_per_folder))
        os.makedirs(folder, exist_ok=True)
        n = a.datasets if a.datasets is not None else rng.randint(10, 40)
        dfm, names, bde_bytes = data_module(rng, unit, n, a.depth)
        bde = [x for x in names if class_of(x) != "TComponent"]
        bde_objects += len(bde)
        converted_bytes += bde_bytes
        files = {}
        files["DataMod%d.pas" % unit] = unit_source(
            "DataMod%d" % unit, "TDM%d" % unit, "TDataModule", [(x, class_of(x)) for x in bde])
        binary = a.binary_every and unit % a.binary_every == 0
        dfm_path = os.path.join(folder, "DataMod%d.dfm" % unit)
        if binary:
            write_binary(a.migwiz, dfm_path, dfm, "TDM%d" % unit)
        else:
            files["DataMod%d.dfm" % unit] = dfm
        if not a.no_forms:
            files["Form%d.pas" % unit] = unit_source("Form%d" % unit, "TForm%d" % unit, "TForm", [])
            files["Form%d.dfm" % unit] = plain_form(rng, unit, rng.randint(20, 60))
        for name, text in files.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(text.encode("cp1252"))
        total += sum(os.path.getsize(os.path.join(folder, n)) for n in list(files) +
                     (["DataMod%d.dfm" % unit] if binary else []))
    if a.project:
        uses = ["  DataMod%d in '%s\\DataMod%d.pas' {DM%d: TDataModule}" %
                (u, "pkg%02d" % (u // a.units_per_folder), u, u) for u in range(1, unit + 1)]
        dpr = CRLF.join(["program App;", "", "uses", "  Forms,", ("," + CRLF).join(uses) + ";", "",
                         "{$R *.res}", "", "begin", "  Application.Initialize;", "  Application.Run;",
                         "end.", ""])
        with open(os.path.join(a.out, "App.dpr"), "wb") as f:
            f.write(dpr.encode("cp1252"))
        total += len(dpr)
    manifest = {"units": unit, "bytes": total, "bde_objects": bde_objects,
                "dataset_text_bytes": converted_bytes, "depth": a.depth}
    json.dump(manifest, sys.stdout)
    print()


if __name__ == "__main__":
    main()
