#!/usr/bin/env python3
"""Writes the demo data as T-SQL for the T-SQL server of the SQL Server tests.

    sqlserver_peer_data.py SCHEMA.sql DATA.sql SERVER_SCHEMA.sql ROWS.sql LOGINS.txt

Loads the embedded server's schema and demo data into an in-memory SQLite
database, then writes every row of every table that SERVER_SCHEMA.sql (the
reference schema of SQL Server) creates, in its columns, into ROWS.sql as INSERT batches (keys as stored, under SET IDENTITY_INSERT, texts as
N'' literals, dates in the forms SQL Server reads whatever DATEFORMAT says),
and the server logins into LOGINS.txt, one "login password role" a line.
"""
import re
import sqlite3
import sys

schema, data, server_schema, rows_out, logins_out = sys.argv[1:6]
db = sqlite3.connect(":memory:")
db.executescript(open(schema, encoding="utf-8").read())
db.executescript(open(data, encoding="utf-8").read())

DATE = re.compile(r"^(\d{4})-(\d{2})-(\d{2})$")
DATETIME = re.compile(r"^(\d{4}-\d{2}-\d{2}) (\d{2}:\d{2}:\d{2}(\.\d+)?)$")


def literal(value):
    if value is None:
        return "NULL"
    if isinstance(value, (int, float)):
        return repr(value)
    text = str(value)
    if m := DATE.match(text):
        return "'%s%s%s'" % m.groups()
    if m := DATETIME.match(text):
        return "'%sT%s'" % (m.group(1), m.group(2))
    return "N'" + text.replace("'", "''") + "'"


# The server's tables and their columns, as its schema creates them.
server_columns = {}
for table, body in re.findall(r"CREATE TABLE dbo\.\[?(\w+)\]? \((.*?)\n\);", open(server_schema, encoding="utf-8").read(), re.S):
    server_columns[table.lower()] = {line.split()[0].lower() for line in body.strip().splitlines()}

tables = [name for (name,) in db.execute(
    "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' ORDER BY rowid")]
with open(rows_out, "w", encoding="utf-8") as out:
    out.write("USE QEL;\nGO\n")
    for table in tables:
        if table.lower() not in server_columns:
            continue
        names = [c[1] for c in db.execute('PRAGMA table_info("%s")' % table) if c[1].lower() in server_columns[table.lower()]]
        cursor = db.execute('SELECT %s FROM "%s" ORDER BY rowid' % (", ".join('"%s"' % n for n in names), table))
        columns = ", ".join("[%s]" % n for n in names)
        rows = cursor.fetchall()
        if not rows:
            continue
        out.write("SET IDENTITY_INSERT dbo.[%s] ON;\n" % table)
        for start in range(0, len(rows), 500):
            values = ",\n    ".join(
                "(" + ", ".join(literal(v) for v in row) + ")" for row in rows[start:start + 500])
            out.write("INSERT INTO dbo.[%s] (%s) VALUES\n    %s;\n" % (table, columns, values))
        out.write("SET IDENTITY_INSERT dbo.[%s] OFF;\nGO\n" % table)

with open(logins_out, "w", encoding="utf-8") as out:
    for login, password, role in db.execute("SELECT login, password, role FROM server_logins ORDER BY rowid"):
        out.write("%s %s qel_%s\n" % (login, password, role))
