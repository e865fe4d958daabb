#!/usr/bin/env python3
"""Times varnocsv against the tools people would use instead, in one run.

For each file (contacts and memos, 100,000 and 1,000,000 rows by default)
it runs, alternating, each a few times:
  count:  varnocsv count              vs  Python csv.reader reading all rows
  import: varnocsv import (new store) vs  sqlite3 .import --csv (new table)
                                          and, for contacts, a Python sqlite3
                                          insert into contacts + telephones
  export: varnocsv export             vs  sqlite3 -csv "select *" of that table
          and Python csv reading and writing back every field quoted, CR LF
and prints the medians, the ratios (varnocsv time / peer time; below 1 means
varnocsv is faster) and each command's peak resident memory
(/usr/bin/time -v) against the file's size. With 100,000 contacts it also
counts three files of the same size that strain the reader (one huge field,
one row of very many columns, thousands of quotes that pair lines up)
against the normal file.

    bench/compare.py [--varnocsv build/release/bin/varnocsv] [--rows 100000,1000000]
                     [--types contact,memo] [--runs 5] [--work DIR]
"""
import argparse
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))

PY_READ = r"""
import csv, sys
n = 0
with open(sys.argv[1], newline="", encoding="utf-8") as f:
    for row in csv.reader(f):
        n += 1
print(n - 1)
"""

PY_ROUND_TRIP = r"""
import csv, sys
with open(sys.argv[1], newline="", encoding="utf-8") as f, open(sys.argv[2], "w", newline="", encoding="utf-8") as out:
    w = csv.writer(out, quoting=csv.QUOTE_ALL, lineterminator="\r\n")
    for row in csv.reader(f):
        w.writerow(row)
"""

# Contacts normalised the way a store keeps them: one row per contact and one
# per telephone, in one transaction.
PY_NORMALISED = r"""
import csv, sqlite3, sys
db = sqlite3.connect(sys.argv[2])
db.execute("create table contacts(id integer primary key, first text, last text, title text, department text, company text,"
           " email_home text, email_work text, birthday text, note text, grp text, street text, city text, zip text)")
db.execute("create table telephones(contact integer references contacts(id), seq integer, type integer, number text)")
with open(sys.argv[1], newline="", encoding="utf-8") as f:
    rows = csv.reader(f)
    header = next(rows)
    col = {name: i for i, name in enumerate(header)}
    tel = [(name, t) for name, t in (("TEL_WORK1", 1), ("TEL_WORK2", 1), ("TEL_HOME1", 2), ("TEL_HOME2", 2),
           ("TEL_MOBILE1", 32), ("TEL_MOBILE2", 32), ("TEL_FAX1", 8), ("TEL_FAX2", 8), ("TEL_OTHER1", 4), ("TEL_OTHER2", 4))]
    with db:
        for r in rows:
            get = lambda name: r[col[name]] if col[name] < len(r) else ""
            cur = db.execute("insert into contacts(first,last,title,department,company,email_home,email_work,birthday,note,grp,street,city,zip)"
                             " values (?,?,?,?,?,?,?,?,?,?,?,?,?)",
                             [get(n) for n in ("FIRST_NAME", "LAST_NAME", "JOB_TITLE", "DEPARTMENT", "COMPANY", "EMAIL_HOME",
                                               "EMAIL_WORK", "BIRTHDAY", "NOTE", "GROUP_NAME", "ADR_HOME_STREET", "ADR_HOME_CITY", "ADR_HOME_ZIP")])
            seq = 0
            for name, t in tel:
                number = "".join(c for c in get(name) if c.isdigit() or c in "pPwW#*+")
                if number:
                    db.execute("insert into telephones values (?,?,?,?)", (cur.lastrowid, seq, t, number))
                    seq += 1
"""


def timed(command, stdout=subprocess.DEVNULL):
    """Runs `command` under /usr/bin/time -v: (seconds, peak RSS in bytes)."""
    start = time.perf_counter()
    result = subprocess.run(["/usr/bin/time", "-v"] + command, stdout=stdout, stderr=subprocess.PIPE, text=True)
    seconds = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit("failed (%d): %s\n%s" % (result.returncode, " ".join(command), result.stderr[-2000:]))
    peak = 0
    for line in result.stderr.splitlines():
        if "Maximum resident set size" in line:
            peak = int(line.split(":")[1]) * 1024
    return seconds, peak


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--varnocsv", default=os.path.join(HERE, "..", "build", "release", "bin", "varnocsv"))
    parser.add_argument("--rows", default="100000,1000000")
    parser.add_argument("--types", default="contact,memo")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--work", help="folder for the generated files and stores (default: a temporary one)")
    args = parser.parse_args()
    varnocsv = os.path.abspath(args.varnocsv)
    work = args.work or tempfile.mkdtemp(prefix="varno-compare-")
    os.makedirs(work, exist_ok=True)
    py = sys.executable
    env = dict(os.environ, TZ="UTC", LC_ALL="C.UTF-8")
    os.environ.update(env)

    print("machine: %s, %d cores, %s; python %s; %s" % (
        platform.node(), os.cpu_count(), platform.platform(), platform.python_version(),
        subprocess.run(["sqlite3", "--version"], capture_output=True, text=True).stdout.split()[0]))
    print()
    print("| file | operation | varnocsv | peer | peer time | ratio | varnocsv peak / file | peer peak / file |")
    print("|---|---|---|---|---|---|---|---|")
    for rows in [int(r) for r in args.rows.split(",")]:
        for kind in args.types.split(","):
            path = os.path.join(work, "%s-%d.csv" % (kind, rows))
            if not os.path.exists(path):
                subprocess.run([py, os.path.join(HERE, "gen.py"), work, "--rows", str(rows), "--types", kind],
                               check=True, stdout=subprocess.DEVNULL)
            size = os.path.getsize(path)
            store = os.path.join(work, "store.db")
            table_db = os.path.join(work, "table.db")
            norm_db = os.path.join(work, "normal.db")
            out = os.path.join(work, "out.csv")
            tool = [varnocsv, "--store", store, "--codepage", "65001"]

            def fresh(*files):
                for f in files:
                    for suffix in ("", "-wal", "-shm", "-journal"):
                        if os.path.exists(f + suffix):
                            os.remove(f + suffix)

            def sqlite_import():
                fresh(table_db)
                return timed(["sqlite3", table_db, ".import --csv %s t" % path])

            def varnocsv_import():
                fresh(store)
                return timed(tool + ["import", kind, path])

            def normalised():
                fresh(norm_db)
                return timed([py, "-c", PY_NORMALISED, path, norm_db])

            def sqlite_export():
                with open(out, "w") as sink:
                    return timed(["sqlite3", "-csv", table_db, "select * from t"], stdout=sink)

            pairs = [
                ("count", lambda: timed(tool + ["count", kind, path]), "Python csv.reader", lambda: timed([py, "-c", PY_READ, path])),
                ("import", varnocsv_import, "sqlite3 .import --csv", sqlite_import),
            ]
            if kind == "contact":
                pairs.append(("import", varnocsv_import, "Python sqlite3, contacts + telephones", normalised))
            pairs += [
                ("export", lambda: timed(tool + ["export", kind, out]), "sqlite3 -csv select *", sqlite_export),
                ("export", lambda: timed(tool + ["export", kind, out]), "Python csv read + write quoted",
                 lambda: timed([py, "-c", PY_ROUND_TRIP, path, out])),
            ]
            for operation, ours, peer_name, peer in pairs:
                if operation == "export":  # a store and a table to export from
                    varnocsv_import()
                    sqlite_import()
                mine, theirs = [], []
                for _ in range(args.runs):  # alternating, so both see the same machine
                    mine.append(ours())
                    theirs.append(peer())
                t_mine = statistics.median(s for s, _ in mine)
                t_theirs = statistics.median(s for s, _ in theirs)
                peak_mine = max(p for _, p in mine)
                peak_theirs = max(p for _, p in theirs)
                print("| %s %d rows, %.1f MB | %s | %.2f s | %s | %.2f s | %.2f | %.1fx | %.1fx |" % (
                    kind, rows, size / 1e6, operation, t_mine, peer_name, t_theirs, t_mine / t_theirs,
                    peak_mine / size, peak_theirs / size))
                sys.stdout.flush()
    # Files as large as the 100,000-contact file that strain the reader: each
    # against the normal file, in the same run.
    if "contact" in args.types.split(",") and 100000 in [int(r) for r in args.rows.split(",")]:
        normal = os.path.join(work, "contact-100000.csv")
        tool = [varnocsv, "--store", os.path.join(work, "store.db"), "--codepage", "65001", "count", "contact"]
        for kind in ("huge-field", "wide-row", "quotes"):
            path = os.path.join(work, "contact-%s.csv" % kind)
            if not os.path.exists(path):
                subprocess.run([py, os.path.join(HERE, "gen.py"), work, "--pathological", kind,
                                "--size", str(os.path.getsize(normal))], check=True, stdout=subprocess.DEVNULL)
            mine, theirs = [], []
            for _ in range(args.runs):
                mine.append(timed(tool + [path]))
                theirs.append(timed(tool + [normal]))
            t_mine = statistics.median(s for s, _ in mine)
            t_theirs = statistics.median(s for s, _ in theirs)
            print("| contact, %s, %.1f MB | count | %.2f s | the 100,000-contact file | %.2f s | %.2f | %.1fx | |" % (
                kind, os.path.getsize(path) / 1e6, t_mine, t_theirs, t_mine / t_theirs,
                max(p for _, p in mine) / os.path.getsize(path)))
    if not args.work:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
