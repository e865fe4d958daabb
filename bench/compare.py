#!/usr/bin/env python3
"""Times varnocsv against the tools people would use instead, in one run.

For each file (contacts and memos, 100,000 and 1,000,000 rows by default)
it runs each operation a few times, alternating varnocsv and every peer
within each round so that all of them see the same machine:
  count:  varnocsv count              vs  Python csv.reader reading all rows
                                          DuckDB count(*) over read_csv
  import: varnocsv import (new store) vs  sqlite3 .import --csv (new table)
                                          Python sqlite3 into contacts +
                                          telephones (contacts only)
                                          DuckDB CREATE TABLE AS read_csv
                                          (new database file)
  export: varnocsv export             vs  sqlite3 -csv "select *" of that table
                                          Python csv reading and writing back
                                          every field quoted, CR LF
                                          DuckDB COPY of that table to CSV,
                                          every field quoted, CR LF
and prints the machine, then one table row per peer: the medians, the ratio
varnocsv time / peer time (below 1 means varnocsv is faster), the same ratio
with the peer's start-up taken out of its time, and each command's peak
resident memory (/usr/bin/time -v) against the file's size. With 100,000
contacts it also counts three files of the same size that strain the reader
(one huge field, one row of very many columns, thousands of quotes that pair
lines up) against the normal file.

DuckDB comes from its Node.js package, which ships its own binary: the
script installs a pinned version with npm into the work folder (or uses
--duckdb-dir) and drives it through a small node script. Without npm, node or
the registry, it says so in one line and runs the rest.

    bench/compare.py [--varnocsv build/release/bin/varnocsv] [--rows 100000,1000000]
                     [--types contact,memo] [--runs 5] [--work DIR]
                     [--duckdb-dir DIR | --no-duckdb] [--quick]

--quick is a sanity run (20,000 rows, one round) whose times mean little.
"""
import argparse
import atexit
import json
import os
import platform
import shutil
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))

# The DuckDB package for Node.js, pinned: 1.5.6-r.1 carries DuckDB v1.5.6
# (its platform package holds the prebuilt library) and runs on Node.js 20.
DUCKDB_PACKAGE = "@duckdb/node-api"
DUCKDB_VERSION = "1.5.6-r.1"

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

# One DuckDB operation per process, as a person would run it from a script:
# node starts, loads the package, opens the database, runs one statement and
# prints the number of rows it handled (the version and thread count for
# "startup", the empty query). The file is read as a CSV reader must: every
# value text (no type guessing), the header named, comma, double quote and a
# doubled quote for a quote given rather than sniffed, and a quoted empty
# value kept as an empty text, not NULL. DuckDB's parallel reader (the
# default) and its strict mode (the default) keep quoted line breaks inside
# their field; the row counts this script checks show whether they did.
# new_line is left to the sniffer: v1.5.6 given new_line='\r\n' together with
# an explicit strict_mode=true reads no rows at all, without an error.
DUCK_JS = r"""
import { DuckDBInstance } from '@duckdb/node-api';
const [mode, a, b] = process.argv.slice(2);
const text = (s) => "'" + s.replaceAll("'", "''") + "'";
const read = (file) => `read_csv(${text(file)}, all_varchar = true, header = true, delim = ',', quote = '"',` +
  ` escape = '"', allow_quoted_nulls = false)`;
const sql = {
  startup: "SELECT version() || ' ' || current_setting('threads')",
  count: () => `SELECT count(*) FROM ${read(a)}`,
  import: () => `CREATE TABLE t AS SELECT * FROM ${read(b)}`,
  export: () => `COPY (SELECT * FROM t) TO ${text(b)} (FORMAT csv, HEADER, FORCE_QUOTE *, NEW_LINE '\\r\\n')`,
}[mode];
const db = await DuckDBInstance.create(mode === 'import' || mode === 'export' ? a : ':memory:');
const connection = await db.connect();
const result = await connection.runAndReadAll(typeof sql === 'function' ? sql() : sql);
console.log(String(result.getRows()[0][0]));
"""


def timed(command, stdout=subprocess.DEVNULL):
    """Runs `command` under /usr/bin/time -v: (seconds, peak RSS in bytes,
    standard output when `stdout` is subprocess.PIPE)."""
    start = time.perf_counter()
    result = subprocess.run(["/usr/bin/time", "-v"] + command, stdout=stdout, stderr=subprocess.PIPE, text=True)
    seconds = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit("failed (%d): %s\n%s" % (result.returncode, " ".join(command), result.stderr[-2000:]))
    peak = 0
    for line in result.stderr.splitlines():
        if "Maximum resident set size" in line:
            peak = int(line.split(":")[1]) * 1024
    return seconds, peak, result.stdout


def fresh(*files):
    """Removes database files and their journals, for a run from nothing."""
    for f in files:
        for suffix in ("", "-wal", "-shm", "-journal", ".wal"):
            if os.path.exists(f + suffix):
                os.remove(f + suffix)


def setup_duckdb(folder):
    """Installs the pinned DuckDB package into `folder` (unless it is there)
    and writes the driver script. Returns (command prefix, "vX.Y.Z N") or
    (None, why not)."""
    node, npm = shutil.which("node"), shutil.which("npm")
    if not node or not npm:
        return None, "no node or npm on PATH"
    os.makedirs(folder, exist_ok=True)
    installed = os.path.join(folder, "node_modules", "@duckdb", "node-api", "package.json")
    try:
        with open(installed) as f:
            have = json.load(f).get("version")
    except (OSError, ValueError):
        have = None
    if have != DUCKDB_VERSION:
        # A package.json of its own, so that npm installs here and not into
        # a project above the folder.
        with open(os.path.join(folder, "package.json"), "w") as f:
            f.write('{"private": true}\n')
        install = ["npm", "install", "--no-audit", "--no-fund", "--no-save", "--no-package-lock",
                   "--fetch-retries=1", "--fetch-timeout=60000", "%s@%s" % (DUCKDB_PACKAGE, DUCKDB_VERSION)]
        try:
            result = subprocess.run(install, cwd=folder, capture_output=True, text=True, timeout=600)
        except subprocess.TimeoutExpired:
            return None, "`%s` took over 10 minutes" % " ".join(install)
        if result.returncode != 0:
            # npm's first message after its code, syscall and errno lines
            # says what went wrong (a refused connection, a 404).
            why = [l[len("npm error "):].strip() for l in result.stderr.splitlines() if l.startswith("npm error ")]
            why = [l for l in why if l and not l.startswith(("code ", "syscall ", "errno "))]
            return None, "`%s` failed: %s" % (" ".join(install), why[0] if why else "exit %d" % result.returncode)
    script = os.path.join(folder, "duck.mjs")
    with open(script, "w") as f:
        f.write(DUCK_JS)
    command = [node, script]
    result = subprocess.run(command + ["startup"], capture_output=True, text=True)
    if result.returncode != 0:
        why = [l for l in result.stderr.splitlines() if "Error" in l] or result.stderr.splitlines() or ["no message"]
        return None, "the package does not load: %s" % why[0].strip()
    return command, result.stdout.strip()


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown CPU"


def seconds(value):
    return "%.2f s" % value if value >= 1 else "%.3f s" % value


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--varnocsv", default=os.path.join(HERE, "..", "build", "release", "bin", "varnocsv"))
    parser.add_argument("--rows", help="row counts, comma-separated (default 100000,1000000; 20000 with --quick)")
    parser.add_argument("--types", default="contact,memo")
    parser.add_argument("--runs", type=int, help="rounds per operation, medians taken (default 5; 1 with --quick)")
    parser.add_argument("--work", help="folder for the generated files and stores (default: a temporary one)")
    parser.add_argument("--duckdb-dir", help="folder with (or for) the DuckDB package (default: inside the work folder)")
    parser.add_argument("--no-duckdb", action="store_true", help="leave DuckDB out")
    parser.add_argument("--quick", action="store_true", help="a sanity run: 20,000 rows, one round")
    args = parser.parse_args()
    rows_list = [int(r) for r in (args.rows or ("20000" if args.quick else "100000,1000000")).split(",")]
    runs = args.runs or (1 if args.quick else 5)
    types = args.types.split(",")
    varnocsv = os.path.abspath(args.varnocsv)
    work = args.work or tempfile.mkdtemp(prefix="varno-compare-")
    os.makedirs(work, exist_ok=True)
    if not args.work:  # also when a command fails and the script stops
        atexit.register(shutil.rmtree, work, True)
    py = sys.executable
    env = dict(os.environ, TZ="UTC", LC_ALL="C.UTF-8")
    os.environ.update(env)

    duck, duck_about = None, "left out (--no-duckdb)"
    if not args.no_duckdb:
        duck, duck_about = setup_duckdb(os.path.abspath(args.duckdb_dir or os.path.join(work, "duckdb-node")))
        if not duck:
            print("DuckDB: skipped, %s" % duck_about)
    sqlite_shell = subprocess.run(["sqlite3", "--version"], capture_output=True, text=True).stdout.split()[0]
    versions = "Python %s, SQLite %s" % (platform.python_version(), sqlite_shell)
    if sqlite3.sqlite_version != sqlite_shell:
        versions += " (Python's sqlite3 module: %s)" % sqlite3.sqlite_version
    if duck:
        duck_version, duck_threads = duck_about.split()
        versions += ", DuckDB %s (%s %s on Node.js %s, %s threads)" % (
            duck_version, DUCKDB_PACKAGE, DUCKDB_VERSION,
            subprocess.run(["node", "--version"], capture_output=True, text=True).stdout.strip(), duck_threads)
    libc = " ".join(platform.libc_ver())
    print("machine: %s, %d cores, Linux %s%s; %s; medians of %d run%s, alternating" % (
        cpu_model(), os.cpu_count(), platform.release(), ", " + libc if libc.strip() else "", versions,
        runs, "" if runs == 1 else "s"))
    print()

    # Each peer's start-up, timed in the same rounds: the interpreter or shell
    # with an empty query. For DuckDB it is node loading the package and
    # opening a database in memory, a fixed cost a program that keeps DuckDB
    # open pays once; the table shows the ratio with it and without it. The
    # latter sets varnocsv's whole time (its own start-up included) against
    # the peer's work alone, which flatters the peer.
    startups = {"python": [py, "-c", "import csv, sqlite3"], "sqlite3": ["sqlite3", ":memory:", "select 1"]}
    if duck:
        startups["duckdb"] = duck + ["startup"]
    startup_seen = {key: [] for key in startups}

    print("| file | operation | varnocsv | peer | peer time | peer start-up | ratio | ratio, peer start-up out"
          " | varnocsv peak / file | peer peak / file |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    for rows in rows_list:
        for kind in types:
            path = os.path.join(work, "%s-%d.csv" % (kind, rows))
            if not os.path.exists(path):
                subprocess.run([py, os.path.join(HERE, "gen.py"), work, "--rows", str(rows), "--types", kind],
                               check=True, stdout=subprocess.DEVNULL)
            size = os.path.getsize(path)
            store = os.path.join(work, "store.db")
            table_db = os.path.join(work, "table.db")
            norm_db = os.path.join(work, "normal.db")
            duck_db = os.path.join(work, "duck.db")
            out = os.path.join(work, "out.csv")
            tool = [varnocsv, "--store", store, "--codepage", "65001"]

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

            def duckdb(*operation):
                # Every DuckDB run reports how many rows it read or wrote; a
                # count other than the file's means it split the file
                # differently, and its time would compare nothing.
                result = timed(duck + list(operation), stdout=subprocess.PIPE)
                if result[2].strip() != str(rows):
                    sys.exit("DuckDB %s handled %s rows of %s, not %d" % (operation[0], result[2].strip() or "no", path, rows))
                return result

            def duckdb_import():
                fresh(duck_db)
                return duckdb("import", duck_db, path)

            # (operation, varnocsv's run, [(peer, peer's run, start-up)])
            count_peers = [("Python csv.reader", lambda: timed([py, "-c", PY_READ, path]), "python")]
            import_peers = [("sqlite3 .import --csv", sqlite_import, "sqlite3")]
            if kind == "contact":
                import_peers.append(("Python sqlite3, contacts + telephones", normalised, "python"))
            export_peers = [("sqlite3 -csv select *", sqlite_export, "sqlite3"),
                            ("Python csv read + write quoted", lambda: timed([py, "-c", PY_ROUND_TRIP, path, out]), "python")]
            if duck:
                count_peers.append(("DuckDB read_csv count(*)", lambda: duckdb("count", path), "duckdb"))
                import_peers.append(("DuckDB CREATE TABLE AS read_csv", duckdb_import, "duckdb"))
                export_peers.append(("DuckDB COPY TO csv, FORCE_QUOTE *", lambda: duckdb("export", duck_db, out), "duckdb"))
            operations = [("count", lambda: timed(tool + ["count", kind, path]), count_peers),
                          ("import", varnocsv_import, import_peers),
                          ("export", lambda: timed(tool + ["export", kind, out]), export_peers)]
            for operation, ours, peers in operations:
                if operation == "export":  # a store and tables to export from
                    varnocsv_import()
                    sqlite_import()
                    if duck:
                        duckdb_import()
                mine = []
                theirs = {name: [] for name, _, _ in peers}
                starts = {key: [] for _, _, key in peers}
                for _ in range(runs):
                    mine.append(ours())
                    for name, peer, _ in peers:
                        theirs[name].append(peer())
                    for key in starts:
                        starts[key].append(timed(startups[key]))
                t_mine = statistics.median(s for s, _, _ in mine)
                peak_mine = max(p for _, p, _ in mine)
                for name, _, key in peers:
                    t_theirs = statistics.median(s for s, _, _ in theirs[name])
                    t_start = statistics.median(s for s, _, _ in starts[key])
                    peak_theirs = max(p for _, p, _ in theirs[name])
                    # Below a fifth of the peer's time, its work alone is
                    # the difference of two nearly equal medians: noise.
                    work_alone = t_theirs - t_start
                    if work_alone < t_theirs / 5:
                        work_alone = 0
                    print("| %s %d rows, %.1f MB | %s | %s | %s | %s | %s | %.2f | %s | %.1fx | %.1fx |" % (
                        kind, rows, size / 1e6, operation, seconds(t_mine), name, seconds(t_theirs), seconds(t_start),
                        t_mine / t_theirs, "%.2f" % (t_mine / work_alone) if work_alone > 0 else "-",
                        peak_mine / size, peak_theirs / size))
                for key, samples in starts.items():
                    startup_seen[key] += samples
                sys.stdout.flush()
    # Files as large as the 100,000-contact file that strain the reader: each
    # against the normal file, in the same run.
    if "contact" in types and 100000 in rows_list:
        normal = os.path.join(work, "contact-100000.csv")
        tool = [varnocsv, "--store", os.path.join(work, "store.db"), "--codepage", "65001", "count", "contact"]
        for kind in ("huge-field", "wide-row", "quotes"):
            path = os.path.join(work, "contact-%s.csv" % kind)
            if not os.path.exists(path):
                subprocess.run([py, os.path.join(HERE, "gen.py"), work, "--pathological", kind,
                                "--size", str(os.path.getsize(normal))], check=True, stdout=subprocess.DEVNULL)
            mine, theirs = [], []
            for _ in range(runs):
                mine.append(timed(tool + [path]))
                theirs.append(timed(tool + [normal]))
            t_mine = statistics.median(s for s, _, _ in mine)
            t_theirs = statistics.median(s for s, _, _ in theirs)
            print("| contact, %s, %.1f MB | count | %s | the 100,000-contact file | %s | | %.2f | | %.1fx | |" % (
                kind, os.path.getsize(path) / 1e6, seconds(t_mine), seconds(t_theirs), t_mine / t_theirs,
                max(p for _, p, _ in mine) / os.path.getsize(path)))
    print()
    names = {"python": "Python (import csv, sqlite3)", "sqlite3": "sqlite3 shell (select 1)",
             "duckdb": "DuckDB (node, package, in-memory database, version query)"}
    print("start-up, median of every round: " + "; ".join(
        "%s %s, peak %.0f MB" % (names[key], seconds(statistics.median(s for s, _, _ in seen)),
                                 max(p for _, p, _ in seen) / 1e6)
        for key, seen in startup_seen.items() if seen))


if __name__ == "__main__":
    main()
