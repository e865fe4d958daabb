#!/usr/bin/env python3
"""Writes realistic CSV files for every record type, for the benchmarks.

The files are in the layouts export writes (every value quoted, CR LF), in
UTF-8, or as UTF-16LE with a byte-order mark and tabs, the way spreadsheets
save "Unicode text". The same seed and row count always give the same bytes.
Nothing here is meant to be committed: write into a temporary folder.

    bench/gen.py OUT_DIR --rows 100000 [--types contact,memo] [--utf16]
"""
import argparse
import os
import random

KOREAN_NAMES = ["김민준", "이서연", "박지훈", "최유나", "정하늘", "강도윤", "조수아", "윤서준"]
LATIN_NAMES = ["Zoë", "José", "Anna", "Björn", "Chloé", "Élodie", "Marta", "Ian", "Ada", "Grace"]
LAST_NAMES = ["Müller", "O'Brien", "Smith", "García", "Nguyen", "Kowalski", "Dubois", "Lee"]
WORDS = ["meeting", "call", "report", "lunch", "budget", "review", "trip", "garden", "milk", "장보기",
         "회의", "보고서", "점심", "café", "naïve", "résumé"]
COMPANIES = ["Acme Corp", "Globex, Inc.", "Initech", "삼성전자", "Umbrella \"Labs\"", "Hooli"]
CITIES = [("Seoul", "대한민국"), ("Berlin", "Germany"), ("Lyon", "France"), ("Austin", "USA")]

CONTACT_COLUMNS = [
    "FIRST_NAME", "LAST_NAME", "JOB_TITLE", "DEPARTMENT", "COMPANY",
    "TEL_WORK1", "TEL_WORK2", "TEL_HOME1", "TEL_HOME2", "TEL_MOBILE1", "TEL_MOBILE2",
    "TEL_FAX1", "TEL_FAX2", "TEL_OTHER1", "TEL_OTHER2", "EMAIL_HOME", "EMAIL_WORK", "EMAIL_OTHER",
    "URL_WORK", "URL_HOME", "URL_OTHER", "BIRTHDAY", "ANNIVERSARY",
    "ADR_WORK_STREET", "ADR_WORK_COUNTRY", "ADR_WORK_CITY", "ADR_WORK_STATE", "ADR_WORK_ZIP",
    "ADR_HOME_STREET", "ADR_HOME_COUNTRY", "ADR_HOME_CITY", "ADR_HOME_STATE", "ADR_HOME_ZIP",
    "ADR_OTHER_STREET", "ADR_OTHER_COUNTRY", "ADR_OTHER_CITY", "ADR_OTHER_STATE", "ADR_OTHER_ZIP",
    "NOTE", "GROUP_NAME",
]
LAYOUTS = {
    "contact": CONTACT_COLUMNS,
    "calendar": ["summary", "start_time", "end_time", "allday", "alarm_runtime", "description", "location"],
    "todo": ["summary", "start_date", "due_date", "description", "completed", "priority"],
    "memo": ["memo", "color"],
    "message": ["mailbox", "time", "content", "sender", "receiver"],
    "email": ["title", "content", "sender", "receiver", "cc", "bcc", "time"],
}


def text(rng, words=4):
    """A short text; now and then with a comma, doubled quotes or a line break."""
    out = " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, words)))
    r = rng.random()
    if r < 0.10:
        out += ", " + rng.choice(WORDS)
    elif r < 0.15:
        out = 'she said "' + out + '"'
    elif r < 0.20:
        out += "\r\n" + rng.choice(WORDS)
    return out


def phone(rng):
    forms = ["010-{a:04d}-{b:04d}", "+82 10 {a:04d} {b:04d}", "0{c:02d} {a:03d} {b:04d}", "({c:03d}) {a:03d}-{b:04d}"]
    return rng.choice(forms).format(a=rng.randint(0, 9999), b=rng.randint(0, 9999), c=rng.randint(1, 99))


def when(rng, base=2024):
    return "%04d-%02d-%02d %02d:%02d" % (base + rng.randint(-3, 2), rng.randint(1, 12), rng.randint(1, 28),
                                        rng.randint(0, 23), rng.choice([0, 15, 30, 45]))


def maybe(rng, value, p=0.5):
    return value if rng.random() < p else ""


def contact(rng):
    first = rng.choice(KOREAN_NAMES + LATIN_NAMES)
    cells = [first, rng.choice(LAST_NAMES), maybe(rng, "Engineer"), maybe(rng, "R&D"), maybe(rng, rng.choice(COMPANIES))]
    # Telephones stand between extra quotes, as export writes them so that
    # spreadsheets keep them as text.
    cells += ['"%s"' % phone(rng) if rng.random() < p else "" for p in (0.6, 0.1, 0.5, 0.1, 0.8, 0.1, 0.2, 0, 0.1, 0)]
    mail = "%s.%d@example.com" % (first.lower(), rng.randint(1, 999))
    cells += [maybe(rng, mail), maybe(rng, "w" + mail, 0.4), "", maybe(rng, "https://example.com/" + str(rng.randint(1, 99)), 0.2), "", ""]
    cells += [maybe(rng, when(rng, 1980)), maybe(rng, when(rng, 2010), 0.1)]
    for p in (0.4, 0.5, 0.05):
        city, country = rng.choice(CITIES)
        cells += [maybe(rng, "%d Main St." % rng.randint(1, 999), p)] + ([country, city, "", "%05d" % rng.randint(0, 99999)] if rng.random() < p else ["", "", "", ""])
    cells += [maybe(rng, text(rng, 8), 0.3), maybe(rng, rng.choice(["Family", "Work", "친구"]), 0.4)]
    return cells


def calendar(rng):
    start = when(rng)
    return [text(rng), start, start, rng.choice(["0", "0", "1"]), maybe(rng, start, 0.3), maybe(rng, text(rng, 10)),
            maybe(rng, rng.choice(CITIES)[0])]


def todo(rng):
    return [text(rng), maybe(rng, when(rng)), maybe(rng, when(rng)), maybe(rng, text(rng, 8)), rng.choice(["0", "6"]),
            rng.choice(["0", "1", "5", "9"])]


def memo(rng):
    return [text(rng, 12), rng.choice(["yellow", "blue", "pink", "green"])]


def message(rng):
    receivers = ";".join('"%s"' % phone(rng) for _ in range(rng.randint(1, 3)))
    return [str(rng.randint(1, 4)), when(rng), text(rng, 10), '"%s"' % phone(rng), receivers]


def email(rng):
    addresses = lambda n: ";".join("u%d@example.org" % rng.randint(1, 9999) for _ in range(n))
    return [text(rng), text(rng, 20), addresses(1), addresses(rng.randint(1, 3)), maybe(rng, addresses(2), 0.3),
            maybe(rng, addresses(1), 0.1), when(rng)]


def pathological(path, kind, size):
    """Contact files as large as `size` bytes that strain the reader: one
    huge field, one row of very many columns, or thousands of quotes that
    never close (the rest of the file becomes one record)."""
    header = quoted(LAYOUTS["contact"], ",")
    with open(path, "wb") as out:
        out.write(header.encode())
        if kind == "huge-field":
            body = '"' + ("x" * 1000 + '""') * (size // 1002) + '"\r\n'
        elif kind == "wide-row":
            body = ",".join('"%d"' % (i % 10) for i in range(size // 4)) + "\r\n"
        else:  # quotes
            body = ('Ann,"Lee,x""y\r\n' * (size // 16))
        out.write(body.encode())


MAKERS = {"contact": contact, "calendar": calendar, "todo": todo, "memo": memo, "message": message, "email": email}


def quoted(cells, separator):
    return separator.join('"' + c.replace('"', '""') + '"' for c in cells) + "\r\n"


def write(path, kind, rows, utf16, seed):
    rng = random.Random("%s-%d" % (kind, seed))
    separator = "\t" if utf16 else ","
    encoding = "utf-16-le" if utf16 else "utf-8"
    with open(path, "wb") as out:
        if utf16:
            out.write(b"\xff\xfe")
        lines = [quoted(LAYOUTS[kind], separator)]
        for i in range(rows):
            lines.append(quoted(MAKERS[kind](rng), separator))
            if len(lines) == 10000:
                out.write("".join(lines).encode(encoding))
                lines = []
        out.write("".join(lines).encode(encoding))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--rows", type=int, default=100000)
    parser.add_argument("--types", default=",".join(LAYOUTS))
    parser.add_argument("--utf16", action="store_true", help="UTF-16LE with a byte-order mark, tab-separated")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--pathological", choices=["huge-field", "wide-row", "quotes"],
                        help="instead: a contact file of --size bytes that strains the reader")
    parser.add_argument("--size", type=int, default=26000000)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    if args.pathological:
        name = os.path.join(args.out, "contact-%s.csv" % args.pathological)
        pathological(name, args.pathological, args.size)
        print(name)
        return
    for kind in args.types.split(","):
        name = "%s-%d%s" % (kind, args.rows, ".utf16.txt" if args.utf16 else ".csv")
        write(os.path.join(args.out, name), kind, args.rows, args.utf16, args.seed)
        print(os.path.join(args.out, name))


if __name__ == "__main__":
    main()
